#include "card/SkyFolder.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "card/SatellitePlan.h"

namespace card {
namespace {

// The position (0..3) a plan file's name gives, or -1.
int PositionOf(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    if (name.size() < 2 || name[1] != '-' || name[0] < 'A' || name[0] > 'D' ||
        file.extension() != ".csv")
        return -1;
    return name[0] - 'A';
}

}  // namespace

std::optional<Sky> ReadSkyFolder(const std::string& folder, std::string& error) {
    std::error_code failure;
    std::filesystem::directory_iterator entries(folder, failure);
    if (failure) {
        error = folder + ": " + failure.message();
        return std::nullopt;
    }
    std::array<std::filesystem::path, 4> files;
    for (const auto& entry : entries) {
        const int position = PositionOf(entry.path());
        if (position < 0 || !entry.is_regular_file(failure)) continue;
        auto& file = files[static_cast<std::size_t>(position)];
        if (!file.empty()) {
            error = file.string() + " and " + entry.path().string() + ": both are position " +
                    static_cast<char>('A' + position);
            return std::nullopt;
        }
        file = entry.path();
    }
    Sky sky;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].empty()) continue;
        std::ifstream in(files[i], std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in) {
            error = files[i].string() + ": cannot be read";
            return std::nullopt;
        }
        std::string why;
        auto satellite = ReadSatellitePlan(text.str(), why);
        if (!satellite) {
            error = files[i].string() + ": " + why;
            return std::nullopt;
        }
        sky.positions[i] = std::move(*satellite);
    }
    return sky;
}

}  // namespace card
