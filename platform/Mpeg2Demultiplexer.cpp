#include "platform/Mpeg2Demultiplexer.h"

#include "platform/InputPin.h"

namespace {

constexpr const char16_t* kOutputNames[Mpeg2Demultiplexer::kOutputCount] = {
    u"Video", u"Audio", u"Sections", u"Tables", u"Subtitles", u"Teletext", u"Transport"};

}  // namespace

Mpeg2Demultiplexer::Mpeg2Demultiplexer() {
    AddPin(std::make_shared<InputPin>(*this, u"MPEG-2 Stream", [this](const MediaBuffer& buffer) {
        DeliverToEveryOutput(buffer);
        return S_OK;
    }));
    for (const char16_t* name : kOutputNames)
        AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, name));
}
