// The command ids of the menu bar and the accelerators. An id names what a menu item or key
// does; the channel items take their ids from the tuning slot and the channel's index.
#pragma once

enum CommandId : int {
    ID_DESTROY_ALL = 3001,
    ID_CREATE_ALL = 3002,
    ID_CREATE_1 = 3003,
    ID_CREATE_2 = 3004,
    ID_RECORD_1 = 3005,
    ID_RECORD_2 = 3006,
    ID_DESTROY_1 = 3007,
    ID_DESTROY_2 = 3008,
    ID_UNICABLE = 3009,
    ID_SAVE_SPECTRUM = 3100,
    ID_CLEAR_SPECTRUM = 3101,
    ID_LOAD_SPECTRUM = 3102,
    ID_DISEQC_1 = 3200,
    ID_DISEQC_2 = 3201,
    ID_SPECTRUM_1 = 3202,
    ID_SPECTRUM_2 = 3203,
    ID_CAM_MENU = 3301,
    ID_RESET_CAM = 3302,
    ID_CI_MTD = 3310,
    ID_CI_SINGLE_TRANSPONDER = 3311,
    ID_CI_BYPASS = 3312,
    ID_CHANNEL_FIRST = 10000,
    ID_CHANNEL_LAST = 17999,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_STATUS_BAR = 59393,
};

// Channel i of tuning slot k (0..7).
constexpr int ChannelCommandId(int slot, int index) {
    return ID_CHANNEL_FIRST + 1000 * slot + index;
}

// The "Tune" item that the menu resource holds in the Sat popup of slot k until start-up
// removes it.
constexpr int PlaceholderCommandId(int slot) {
    return 1000 + 100 * slot;
}
