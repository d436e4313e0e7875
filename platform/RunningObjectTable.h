// The process-wide table of running objects, so that a graph viewer can find the graphs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Unknown.h"

inline constexpr std::uint32_t ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;

struct IItemMoniker : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{F19CF07F-2BE3-4E0B-9DFD-67DDA2886164}");
    virtual std::u16string Name() const = 0;  // delimiter + item name
};

struct IRunningObjectTable : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{00000010-0000-0000-C000-000000000046}");
    virtual HRESULT Register(std::uint32_t flags, const std::shared_ptr<IUnknown>& object,
                             const std::shared_ptr<IItemMoniker>& name,
                             std::uint32_t* cookie) = 0;
    virtual HRESULT Revoke(std::uint32_t cookie) = 0;
};

HRESULT GetRunningObjectTable(std::uint32_t reserved, std::shared_ptr<IRunningObjectTable>* table);
HRESULT CreateItemMoniker(const std::u16string& delimiter, const std::u16string& item,
                          std::shared_ptr<IItemMoniker>* moniker);

// What a graph viewer would list: the names registered now, in registration order.
std::vector<std::u16string> RunningObjectNames();
