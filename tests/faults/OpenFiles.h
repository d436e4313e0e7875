// Whether this process still has a file open, from the descriptors Linux lists for it. Leak
// checkers see lost memory, not a file that is never closed.
#pragma once

#include <filesystem>
#include <system_error>

inline bool ProcessHoldsOpen(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(file, error);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        // The listing's own descriptor is gone by the time it is read; that is no match.
        if (std::filesystem::read_symlink(entry.path(), error) == wanted && !error) return true;
    }
    return false;
}
