// The compiled-in profile table: per model, the SMC temperature keys to look
// for and what to call them. Row order matters: where two rows name the same
// key, the later row's title stays.
#include "sensor-service/profiles/ProfileTable.h"

#include <array>
#include <cstddef>

namespace vrl {

namespace {

constexpr std::array<std::string_view, 10> kIMac6_1 = {
    "TA0P|Ambient",
    "TC:041D|CPU Core %X",
    "TCAD|CPU Package",
    "TC0H|CPU Heatsink",
    "TG0D|GPU Die",
    "TG0H|GPU Heatsink",
    "TG0P|GPU Proximity",
    "TH0P|HDD Bay 1",
    "TO0P|Optical Drive",
    "Tp0P|Power Supply Heatsink",
};

constexpr std::array<std::string_view, 14> kIMac13_2 = {
    "TA0p|Ambient",
    "TC:041c|CPU Core %X",
    "TCAD|CPU Package",
    "TC0p|CPU Proximity",
    "TCXc|PECI CPU",
    "TCSc|PECI SA",
    "TCGc|PECI GFX",
    "TPCD|PCH Die",
    "Tm:021p|Mainboard Proximity %X",
    "TL:021p|LCD Proximity %X",
    "Tb0p|BLC Proximity",
    "TM:141p|Memory Module %X",
    "TM:041p|Memory Module %X Proximity",
    "Tp2h|Power Supply Heatsink",
};

constexpr std::array<std::string_view, 12> kMacBookAir5_2 = {
    "TC0:C41|CPU Core %X",
    "TC0P|CPU Proximity",
    "TCXC|PECI CPU",
    "TCSA|PECI SA",
    "TCGC|PECI GPU",
    "TPCD|PCH Die",
    "TM0P|Memory Module, Proximity",
    "TG0D|GPU Die",
    "TB:041P|Battery %X",
    "Th1H|Heatpipe",
    "Ts0P|Heatpipe Incoming Air",
    "Ts0S|Heatpipe Outgoing Air",
};

constexpr std::array<std::string_view, 13> kMacBookPro8_1 = {
    "TC0:C41|CPU Core %X",
    "TCAD|CPU Package",
    "TC0P|CPU Proximity",
    "TPCD|PCH Die",
    "TP0P|PCH Proximity",
    "TCSA|PECI SA",
    "TCGC|PECI GPU",
    "TM0S|Memory Modules",
    "TM0P|Memory Modules Proximity",
    "Th1H|Heatpipe",
    "Ts0P|Heatpipe Incoming Air",
    "Ts0S|Heatpipe Outgoing Air",
    "TB:031T|Battery Unit %X",
};

constexpr std::array<std::string_view, 18> kMacBookPro10_1 = {
    "TC:141D|CPU Core %X",
    "TC0P|CPU Proximity",
    "TCXC|PECI CPU",
    "TCSA|PECI SA",
    "TCGC|PECI GPU",
    "TPCD|PCH Die",
    "TP0P|PCH Proximity",
    "TM0S|Memory Module",
    "TM0P|Memory Module, Proximity",
    "TG0D|GPU Die",
    "TG0P|GPU Proximity",
    "TG0D|GPU Die",
    "TW0P|Airport Proximity",
    "TB:041P|Battery %X",
    "Ts0P|Heatpipe Incoming Air",
    "Ts0S|Heatpipe Outgoing Air",
    "Ts1S|Heatpipe Outgoing Air",
    "Th:041H|Heatpipe %X",
};

constexpr std::array<std::string_view, 14> kMacBookPro11_1 = {
    "TA0P|Ambient",
    "TC:121C|CPU Core %X",
    "TC0P|CPU Proximity",
    "TCXC|PECI CPU",
    "TCSA|PECI SA",
    "TCGC|PECI GPU",
    "TPCD|PCH Die",
    "TM0P|Memory Module, Proximity",
    "TG0D|GPU Die",
    "TG0P|GPU Proximity",
    "TW0P|Airport Proximity",
    "TB:041P|Battery %X",
    "Th1H|Heatpipe",
    "Ts0P|Heatpipe Incoming Air",
};

constexpr std::array<std::string_view, 8> kMacPro5_1Dual = {
    "TC:A2AD|CPU %X Die",
    "TC:A2AH|CPU %X Heatsink",
    "TN0D|PCH Die",
    "TN0H|PCH Heatsink",
    "TM:181P|Memory Module %X Proximity",
    "TMA:141|Memory Bank A, Slot %X",
    "TMB:141|Memory Bank B, Slot %X",
    "TeGG|PCIe GPU",
};

constexpr std::array<std::string_view, 7> kMacPro5_1Single = {
    "TCAD|CPU Die",
    "TCAH|CPU Heatsink",
    "TN0D|PCH Die",
    "TN0H|PCH Heatsink",
    "TM:141P|Memory Module Proximity",
    "TMA:141|Memory Bank A, Slot %X",
    "TeGG|PCIe GPU",
};

constexpr std::array<std::string_view, 52> kDefault = {
    "TC:081D|CPU Core %X",
    "TC:081C|CPU Core %X",
    "TC:A41D|CPU %X Package",
    "TC:A41C|CPU %X Core",
    "TC:A41G|CPU %X Graphics",
    "TC:A41H|CPU %X Heatsink",
    "TC0H|CPU Heatsink",
    "Th0H|CPU Heatsink",
    "TC0P|CPU Proximity",
    "TA0p|Ambient",
    "TA0P|Ambient",
    "TCXC|PECI CPU",
    "TCXc|PECI CPU",
    "TCSC|PECI SA",
    "TCSc|PECI SA",
    "TCSA|PECI SA",
    "TCGC|PECI GPU",
    "TCGc|PECI GPU",
    "TN0D|Northbridge Die",
    "TN0P|Northbridge Proximity",
    "TN0C|MCH Die",
    "TN0H|MCH Heatsink",
    "TP0D|PCH Die",
    "TPCD|PCH Die",
    "TP0P|PCH Proximity",
    "TM:091S|Memory Module %X",
    "TM:091P|Memory Module %X, Proximity",
    "TMA:051|Memory Bank A, Module %X",
    "TMB:051|Memory Bank B, Module %X",
    "TL0P|LCD Proximity",
    "TW0P|Airport Proximity",
    "TO0P|Optical Drive",
    "TH:081P|HDD Bay %X",
    "TB:041P|Battery %X",
    "Tm0P|Mainboard Proximity",
    "Tp1P|Powerboard Proximity",
    "Tp:221H|Power Heatsink %X",
    "Te:081S|PCIe Slot %X",
    "TG0D|GPU Die",
    "TG0H|GPU Heatsink",
    "TG0p|GPU Proximity",
    "TG0P|GPU Proximity",
    "TG:041M|GPU Memory",
    "TG:132D|GPU %X Die",
    "TG:132H|GPU %X Heatsink",
    "TG:132p|GPU %X Proximity",
    "TG:132P|GPU %X Proximity",
    "TG:132M|GPU %X Memory",
    "Th:041H|Heatpipe %X",
    "Ts0P|Heatpipe Incoming Air",
    "Ts0S|Heatpipe Outgoing Air",
    "TZ:0F1C|Thermal Zone %X",
};

// Row numbers (counted from 1) of the default list that the iMac14,2 list
// leaves out: its SMC has only the lower-case "p" variants of these keys.
constexpr std::array<std::size_t, 2> kIMac14_2Omitted = {11, 42};

std::vector<std::string> rowsOf(std::span<const std::string_view> list) {
    return {list.begin(), list.end()};
}

std::vector<std::string> iMac14_2Rows() {
    std::vector<std::string> rows;
    for (std::size_t number = 1; number <= kDefault.size(); ++number) {
        bool omitted = false;
        for (std::size_t left : kIMac14_2Omitted) omitted = omitted || left == number;
        if (!omitted) rows.emplace_back(kDefault[number - 1]);
    }
    return rows;
}

struct ModelEntry {
    std::string_view model;
    std::vector<std::string> (*rows)();
};

// Tested in this order; the first identifier that is equal wins.
const std::array<ModelEntry, 10> kModels = {{
    {"iMac6,1", [] { return rowsOf(kIMac6_1); }},
    {"iMac13,2", [] { return rowsOf(kIMac13_2); }},
    {"iMac14,2", iMac14_2Rows},
    {"MacBookAir5,2", [] { return rowsOf(kMacBookAir5_2); }},
    {"MacBookPro8,1", [] { return rowsOf(kMacBookPro8_1); }},
    {"MacBookPro10,1", [] { return rowsOf(kMacBookPro10_1); }},
    {"MacBookPro11,1", [] { return rowsOf(kMacBookPro11_1); }},
    {"MacPro5,1", [] { return rowsOf(kMacPro5_1Dual); }},
    {"MacPro5,1_dual", [] { return rowsOf(kMacPro5_1Dual); }},
    {"MacPro5,1_single", [] { return rowsOf(kMacPro5_1Single); }},
}};

}  // namespace

std::vector<std::string> ProfileTable::rowsFor(const std::optional<std::string>& platformName) {
    if (platformName) {
        for (const ModelEntry& entry : kModels) {
            if (entry.model == *platformName) return entry.rows();
        }
    }
    return defaultRows();
}

std::vector<std::string> ProfileTable::defaultRows() { return rowsOf(kDefault); }

std::vector<std::string> ProfileTable::modelIdentifiers() {
    std::vector<std::string> models;
    for (const ModelEntry& entry : kModels) models.emplace_back(entry.model);
    return models;
}

}  // namespace vrl
