#include "platform/NullRenderer.h"

#include "platform/InputPin.h"

NullRenderer::NullRenderer() {
    AddPin(std::make_shared<InputPin>(*this, u"In", [this](const MediaBuffer& buffer) {
        m_bytes += buffer ? buffer->size() : 0;
        return S_OK;
    }));
}
