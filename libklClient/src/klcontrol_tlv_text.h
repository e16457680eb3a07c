// Text carried in a TLV value (codes, queue names), bounded by the value's length.
#pragma once

#include <cstdint>
#include <string>

// The value of the TLV at tlv up to its length or its first NUL; empty for a null tlv.
std::string klcontrol_tlv_text(const uint8_t* tlv);

// The bytes up to length or the first NUL; empty for null data.
std::string klcontrol_bounded_text(const uint8_t* data, unsigned length);
