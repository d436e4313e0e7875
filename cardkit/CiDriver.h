// The CI slot and its CAM as one tuner's CI filter reaches them, after the filter shell has
// checked each request. Both tuners' CI filters of a card reach the same CAM.
//
// Thread-safety: any thread; the program calls from its user-interface thread, a driver's own
// threads (slot watcher, stream) may run at the same time.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/HResult.h"

namespace cardkit {

class CiDriver {
public:
    virtual ~CiDriver() = default;

    // The CAM's name as 8-bit text (at most 255 bytes used). HRESULT_ERROR_NOT_READY while no
    // module is initialised; a driver that can tell a module still starting up from an empty
    // slot answers HRESULT_ERROR_BUSY for it.
    virtual HRESULT CamName(std::string* name) = 0;
    // CI routing mode for this tuner: 0 bypass, 1 MTD, 2 single transponder (validated by the
    // shell). Decides whether the CAM descrambles this tuner's services.
    virtual HRESULT SetCiMode(std::uint32_t mode) = 0;
    // Resets the module; any MMI dialogue ends. HRESULT_ERROR_NOT_READY without a module.
    virtual HRESULT Reset() = 0;
    // Asks the CAM for its main menu / ends the dialogue.
    virtual HRESULT MmiOpen() = 0;
    virtual HRESULT MmiClose() = 0;
    // Writes the current object as a 2068-byte MmiObject (id, type, count, text length, text,
    // unused word). HRESULT_ERROR_NOT_READY when no object is shown.
    virtual HRESULT MmiGet(std::span<std::uint8_t, 2068> object) = 0;
    // Answers the object `objectId`: a menu or list choice (0 back / cancel), or an enquiry
    // (empty answer = cancel). A stale id, a choice beyond the items or an answer of the wrong
    // kind: HRESULT_ERROR_INVALID_PARAMETER.
    virtual HRESULT MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice) = 0;
    virtual HRESULT MmiAnswerEnquiry(std::uint32_t objectId,
                                     std::span<const std::uint8_t> answer) = 0;
};

}  // namespace cardkit
