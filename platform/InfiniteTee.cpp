#include "platform/InfiniteTee.h"

#include <string>

#include "platform/InputPin.h"

namespace {

class TeeOutputPin : public PinBase {
public:
    TeeOutputPin(FilterBase& tee, std::u16string name,
                 std::function<void(const PinBase&)> connected)
        : PinBase(tee, PINDIR_OUTPUT, std::move(name)), m_connected(std::move(connected)) {}

protected:
    void OnConnected() override { m_connected(*this); }

private:
    const std::function<void(const PinBase&)> m_connected;
};

std::u16string OutputName(std::size_t number) {
    std::u16string name = u"Output";
    for (char c : std::to_string(number)) name += static_cast<char16_t>(c);
    return name;
}

}  // namespace

InfiniteTee::InfiniteTee() {
    AddPin(std::make_shared<InputPin>(*this, u"Input", [this](const MediaBuffer& buffer) {
        DeliverToEveryOutput(buffer);
        return S_OK;
    }));
    AddOutput();
}

void InfiniteTee::AddOutput() {
    const std::size_t number = Pins().size();  // the input pin comes first
    AddPin(std::make_shared<TeeOutputPin>(*this, OutputName(number),
                                          [this](const PinBase& pin) { OnOutputConnected(pin); }));
}

void InfiniteTee::OnOutputConnected(const PinBase& pin) {
    if (Pins().back().get() == &pin) AddOutput();
}
