// An input pin that hands every buffer it receives to its filter's handler, on the upstream
// streaming thread.
#pragma once

#include <functional>

#include "platform/FilterBase.h"

class InputPin : public PinBase {
public:
    using Handler = std::function<HRESULT(const MediaBuffer&)>;
    InputPin(FilterBase& filter, std::u16string name, Handler handler)
        : PinBase(filter, PINDIR_INPUT, std::move(name)), m_handler(std::move(handler)) {}

protected:
    HRESULT OnReceive(const MediaBuffer& buffer) override { return m_handler(buffer); }

private:
    const Handler m_handler;
};
