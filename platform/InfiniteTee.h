// The infinite pin tee (CLSID_InfTee): one input, and outputs "Output1", "Output2", ...; a new
// output appears whenever the last one gets connected. Every buffer goes to every connected
// output, shared, in pin order, on the upstream streaming thread.
#pragma once

#include "platform/FilterBase.h"

class InfiniteTee : public FilterBase {
public:
    InfiniteTee();

private:
    void AddOutput();
    void OnOutputConnected(const PinBase& pin);
};
