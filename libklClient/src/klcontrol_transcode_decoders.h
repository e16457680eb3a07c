// The transcode job records (552 bytes each) that commands 44 and 46 to 50 answer, decoded.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// {"job":1001,"state":1,"final":false,"progress":25,"estimate_s":4,"reason":0,"source":"A.MP4",
// "output":"C:/B.MP4"} for one record, {"empty":true} for a zero record; null for any other size.
nlohmann::ordered_json klcontrol_transcode_record_json(const std::vector<uint8_t>& payload);
// "job 1001, state 1, progress 25, estimate 4 s, reason 0, source A.MP4, output C:/B.MP4", or "empty".
std::string klcontrol_transcode_record_text(const nlohmann::ordered_json& record);

// {"slots":[record,record]} for the two records of the history; null for any other size.
nlohmann::ordered_json klcontrol_transcode_history_json(const std::vector<uint8_t>& payload);
// "slot 0: <record>; slot 1: <record>"
std::string klcontrol_transcode_history_text(const nlohmann::ordered_json& history);
