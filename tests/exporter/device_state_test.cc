// hrPrinterDetectedErrorState decoded bit by bit (one octet, two, more,
// none) and hrDeviceStatus named.
#include "exporter/device_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The names of the conditions set, joined by spaces.
std::string conditions(std::string_view octets) {
    const std::vector<bool> set = detected_errors(octets);
    std::string names;
    for (std::size_t bit = 0; bit < set.size(); ++bit)
        if (set[bit]) names += std::string(names.empty() ? "" : " ") + DETECTED_ERROR_NAMES[bit];
    return names;
}

TEST(DeviceState, DetectedErrorBits) {
    const struct {
        std::string octets;
        const char *names;
    } rows[] = {
        {"", ""},
        {std::string("\0", 1), ""},
        {std::string("\0\0", 2), ""},
        {"\x80", "lowPaper"},
        {std::string("\x20\0", 2), "lowToner"},
        {"\x28", "lowToner doorOpen"},
        {"\xff", "lowPaper noPaper lowToner noToner doorOpen jammed offline serviceRequested"},
        {std::string("\0\x80", 2), "inputTrayMissing"},
        {std::string("\x01\x02", 2), "serviceRequested overduePreventMaint"},
        {"\xff\xff", "lowPaper noPaper lowToner noToner doorOpen jammed offline serviceRequested inputTrayMissing "
                     "outputTrayMissing markerSupplyMissing outputNearFull outputFull inputTrayEmpty overduePreventMaint"},
        {std::string("\0\x01", 2), ""},           // bit 15 is not assigned
        {std::string("\0\0\xff", 3), ""},         // octets past the second are ignored
    };
    for (const auto &row : rows) EXPECT_EQ(row.names, conditions(row.octets));
}

TEST(DeviceState, DeviceStatusNames) {
    EXPECT_STREQ("unknown", device_status_name(1));
    EXPECT_STREQ("running", device_status_name(2));
    EXPECT_STREQ("warning", device_status_name(3));
    EXPECT_STREQ("testing", device_status_name(4));
    EXPECT_STREQ("down", device_status_name(5));
    for (long long v : {0LL, 6LL, -1LL, 1LL << 40}) EXPECT_EQ(nullptr, device_status_name(v));
}

}  // namespace
