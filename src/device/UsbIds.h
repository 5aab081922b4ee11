#pragma once
// USB identity of the instrument. The udev rule in packaging/ carries the same two numbers;
// `tarvik --device hid:VVVV:PPPP` overrides them for a run.

#include <cstdint>

namespace tarvik::usb {

inline constexpr std::uint16_t kVendorId = 0x1209;  // vendor id of the Tarvik instrument
inline constexpr std::uint16_t kProductId = 0x7A51; // product id of the two-channel oscilloscope

} // namespace tarvik::usb
