// Pins of the card's internal links. An output pin lists the link medium of its tuner; the
// input pin of the next filter accepts only a connector listing the same medium, which is how
// kernel streaming pairs a tuner with its own capture filter and a capture with its own CI.
#pragma once

#include <vector>

#include "platform/FilterBase.h"
#include "platform/KsInterfaces.h"

namespace cardkit {

class LinkOutputPin : public PinBase, public IKsPin {
public:
    LinkOutputPin(FilterBase& filter, std::u16string name, KSPIN_MEDIUM medium);
    HRESULT KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) override;

private:
    const KSPIN_MEDIUM m_medium;
};

class LinkInputPin : public PinBase, public IKsPin {
public:
    LinkInputPin(FilterBase& filter, std::u16string name, KSPIN_MEDIUM medium);
    HRESULT KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) override;

protected:
    bool AcceptConnection(const std::shared_ptr<IPin>& connector) override;

private:
    const KSPIN_MEDIUM m_medium;
};

}  // namespace cardkit
