#include "app/InstallCard.h"

#include <cstdlib>

#include "card/InstallSimulatedCard.h"
#include "card/SkyFolder.h"
#include "linuxdvb/InstallDvbCard.h"

namespace orvalen {
namespace {

std::string DvbDescription(const linuxdvb::DvbCard& card) {
    std::string text = "card: Linux DVB, " + std::to_string(card.TunerCount()) +
                       (card.TunerCount() == 1 ? " tuner (" : " tuners (");
    for (int tuner = 1; tuner <= card.TunerCount(); ++tuner) {
        const auto& frontend = card.FrontendOf(tuner);
        text += (tuner > 1 ? "; tuner " : "tuner ") + std::to_string(tuner) + ": " +
                frontend.frontendPath + " " + frontend.name;
    }
    return text + ")";
}

// The simulated card, with the satellites of the sky folder when the line names one, pulled
// out where ORVALEN_SIM_UNPLUG says (to rehearse a card that goes away mid-run).
void InstallSimulated(const CommandLine& line, InstalledCard& installed) {
    card::CardConfig config;
    if (!line.skyFolder.empty()) {
        auto sky = card::ReadSkyFolder(line.skyFolder, installed.error);
        if (!sky) return;
        config.sky = std::move(*sky);
    }
    if (const char* unplug = std::getenv("ORVALEN_SIM_UNPLUG"); unplug && *unplug) {
        std::string error;
        config.unplug = card::ParseUnplugPoint(unplug, error);
        if (!config.unplug) {
            installed.error = "ORVALEN_SIM_UNPLUG: " + error;
            return;
        }
    }
    installed.simulated = card::InstallSimulatedCard(std::move(config));
}

}  // namespace

InstalledCard InstallCard(const CommandLine& line, const std::string& dvbRoot,
                          linuxdvb::FrontendUse use) {
    InstalledCard installed;
    if (line.card == CardChoice::Simulated) {
        InstallSimulated(line, installed);
        installed.description = "card: the simulated card (chosen with --card=sim)";
        return installed;
    }
    linuxdvb::DvbCardOptions options;
    options.root = dvbRoot;
    options.frontendOrder = line.frontendOrder;
    options.use = use;
    installed.dvb = linuxdvb::InstallDvbCard(options);
    if (installed.dvb->TunerCount() > 0) {
        installed.description = DvbDescription(*installed.dvb);
    } else if (line.card == CardChoice::Dvb) {
        installed.description =
            "card: Linux DVB, but no usable DVB-S/S2 frontend under " + dvbRoot + ": no tuner";
    } else {
        InstallSimulated(line, installed);
        installed.description =
            "card: the simulated card (no usable DVB-S/S2 frontend under " + dvbRoot + ")";
    }
    return installed;
}

}  // namespace orvalen
