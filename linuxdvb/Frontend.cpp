#include "linuxdvb/Frontend.h"

#include <algorithm>
#include <array>
#include <vector>

namespace linuxdvb {
namespace {

dtv_property Property(std::uint32_t command, std::uint32_t value = 0) {
    dtv_property property{};
    property.cmd = command;
    property.u.data = value;
    return property;
}

FrontendStat FirstStat(const dtv_property& property) {
    if (property.u.st.len == 0) return {};
    const dtv_stats stat = property.u.st.stat[0];
    const auto scale = static_cast<fecap_scale_params>(stat.scale);
    if (scale == FE_SCALE_DECIBEL) return {scale, stat.svalue};
    if (scale == FE_SCALE_RELATIVE)
        return {scale, static_cast<std::int64_t>(std::min<std::uint64_t>(stat.uvalue, 65535))};
    return {};
}

}  // namespace

int Frontend::Value(unsigned long request, unsigned long value) {
    return m_io->Ioctl(m_fd, request, value);
}

int Frontend::SetVoltage(bool horizontal) {
    return Value(FE_SET_VOLTAGE, horizontal ? SEC_VOLTAGE_18 : SEC_VOLTAGE_13);
}

int Frontend::SetTone(bool on) {
    return Value(FE_SET_TONE, on ? SEC_TONE_ON : SEC_TONE_OFF);
}

int Frontend::SendMessage(std::span<const std::uint8_t> message) {
    dvb_diseqc_master_cmd command{};
    if (message.size() < 3 || message.size() > sizeof command.msg) return -EINVAL;
    std::copy(message.begin(), message.end(), command.msg);
    command.msg_len = static_cast<std::uint8_t>(message.size());
    return m_io->Ioctl(m_fd, FE_DISEQC_SEND_MASTER_CMD, DvbIo::Arg(&command));
}

int Frontend::SendBurst(bool b) {
    return Value(FE_DISEQC_SEND_BURST, b ? SEC_MINI_B : SEC_MINI_A);
}

int Frontend::SetOneShot(bool oneShot) {
    return Value(FE_SET_FRONTEND_TUNE_MODE, oneShot ? FE_TUNE_MODE_ONESHOT : 0);
}

int Frontend::Tune(const FrontendTune& tune) {
    std::vector<dtv_property> properties{
        Property(DTV_CLEAR),
        Property(DTV_DELIVERY_SYSTEM, tune.system),
        Property(DTV_FREQUENCY, tune.frequencyKHz),
        Property(DTV_SYMBOL_RATE, tune.symbolRate),
        Property(DTV_MODULATION, tune.modulation),
        Property(DTV_INNER_FEC, FEC_AUTO),
        Property(DTV_INVERSION, INVERSION_AUTO),
        Property(DTV_ROLLOFF, ROLLOFF_35),
        Property(DTV_PILOT, PILOT_AUTO),
    };
    if (tune.multistream) properties.push_back(Property(DTV_STREAM_ID, tune.streamId));
    if (tune.plsCode) properties.push_back(Property(DTV_SCRAMBLING_SEQUENCE_INDEX, *tune.plsCode));
    properties.push_back(Property(DTV_TUNE));
    dtv_properties request{static_cast<std::uint32_t>(properties.size()), properties.data()};
    return m_io->Ioctl(m_fd, FE_SET_PROPERTY, DvbIo::Arg(&request));
}

fe_status_t Frontend::Status() {
    fe_status_t status{};
    if (m_io->Ioctl(m_fd, FE_READ_STATUS, DvbIo::Arg(&status)) < 0) return fe_status_t{};
    return status;
}

FrontendStat Frontend::Strength() {
    dtv_property property = Property(DTV_STAT_SIGNAL_STRENGTH);
    dtv_properties request{1, &property};
    if (m_io->Ioctl(m_fd, FE_GET_PROPERTY, DvbIo::Arg(&request)) < 0) return {};
    return FirstStat(property);
}

LockedSignal Frontend::Locked() {
    std::array<dtv_property, 4> properties{Property(DTV_DELIVERY_SYSTEM), Property(DTV_MODULATION),
                                           Property(DTV_INNER_FEC), Property(DTV_STAT_CNR)};
    dtv_properties request{static_cast<std::uint32_t>(properties.size()), properties.data()};
    if (m_io->Ioctl(m_fd, FE_GET_PROPERTY, DvbIo::Arg(&request)) < 0) return {};
    return {properties[0].u.data, properties[1].u.data, properties[2].u.data,
            FirstStat(properties[3])};
}

std::optional<std::uint16_t> Frontend::LegacyStrength() {
    std::uint16_t value = 0;
    if (m_io->Ioctl(m_fd, FE_READ_SIGNAL_STRENGTH, DvbIo::Arg(&value)) < 0) return std::nullopt;
    return value;
}

std::optional<std::uint16_t> Frontend::LegacySnr() {
    std::uint16_t value = 0;
    if (m_io->Ioctl(m_fd, FE_READ_SNR, DvbIo::Arg(&value)) < 0) return std::nullopt;
    return value;
}

}  // namespace linuxdvb
