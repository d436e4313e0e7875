// The channel items of the Sat popups, and tuning the channel an item names.
#include <QMenu>
#include <QMenuBar>
#include <new>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/MenuBar.h"
#include "app/OrvalenApp.h"

using orvalen::ChannelList;
using orvalen::ChannelRecord;
using orvalen::SatelliteSlot;

void COrvalenApp::FillChannelMenus(int tuner) {
    if (!m_satelliteList) {
        m_satelliteList.reset(new (std::nothrow)
                                  orvalen::SatelliteList(orvalen::LoadSatelliteList()));
        if (!m_satelliteList) return;
    }
    if (!Graph(tuner) || !m_mainFrame) return;
    QMenu* tunerPopup = PopupAt(*m_mainFrame->menuBar(), tuner);
    for (int lnbSource = 1; lnbSource <= orvalen::kLnbSourcesPerTuner; ++lnbSource) {
        const int slot = SatelliteSlot(tuner, lnbSource);
        const auto& satellite = m_satelliteList->slots[slot];
        if (!satellite || !satellite->channelListFile) continue;
        auto& list = m_channelLists[slot];
        list = std::make_unique<ChannelList>(orvalen::LoadChannelList(*satellite->channelListFile));
        QMenu* satPopup = tunerPopup ? PopupAt(*tunerPopup, lnbSource - 1) : nullptr;
        if (!satPopup) continue;
        for (int i = 0; i < list->count; ++i) {
            const ChannelRecord& channel = *list->records[i];
            m_mainFrame->AppendCommandItem(*satPopup,
                                           QString::fromStdU16String(channel.name.value_or(u"")),
                                           ChannelCommandId(slot, i));
        }
    }
}

void COrvalenApp::RemoveChannelMenus(int tuner) {
    for (int lnbSource = 1; lnbSource <= orvalen::kLnbSourcesPerTuner; ++lnbSource) {
        const int slot = SatelliteSlot(tuner, lnbSource);
        auto& list = m_channelLists[slot];
        if (!list) continue;
        if (m_mainFrame) {
            for (int i = 0; i < list->count; ++i) {
                DeleteCommandItem(*m_mainFrame->menuBar(), ChannelCommandId(slot, i));
            }
        }
        orvalen::FreeChannelList(*list);
        list.reset();
    }
}

void COrvalenApp::TuneChannel(int id) {
    const int slot = (id - ID_CHANNEL_FIRST) / 1000;
    const int tuner = id < ChannelCommandId(4, 0) ? 1 : 2;
    const auto lnbSource = static_cast<std::uint32_t>(tuner == 1 ? slot + 1 : slot - 3);
    const int index = id % 1000;

    TunerGraph* graph = Graph(tuner);
    const ChannelList* list = m_channelLists[slot].get();
    // An id past the list's end (an item of a list that has since been re-read shorter) names
    // no channel.
    if (!graph || !list || index >= list->count) return;
    const ChannelRecord& channel = *list->records[index];

    RequestTune(
        *graph, tuner,
        {channel.frequencyKHz, channel.symbolRate, channel.onid, channel.tsid, channel.sid,
         channel.polarisation, lnbSource, channel.system, channel.inputStreamId, channel.plsCode});
}
