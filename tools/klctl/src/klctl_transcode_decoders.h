// Readable forms of the transcode job records (552 bytes each) that commands 44 and 46 to 50 answer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// "job 1001, state 1, progress 25, estimate 4 s, reason 0, source A.MP4, output C:/B.MP4" for one
// record, "empty" for a zero record; "" for any other size.
std::string klctlDecodeTranscodeRecord(const std::vector<uint8_t>& payload);

// "slot 0: <record>; slot 1: <record>" for the two records of the history; "" for any other size.
std::string klctlDecodeTranscodeHistory(const std::vector<uint8_t>& payload);
