// Control commands of the card.
#include "sim_family_control.h"
#include "sim_members.h"
#include "sim_simulator.h"

namespace {

constexpr int64_t kMaxGroupFiles = 99;

std::string addCapture(SimSimulator& sim, const std::vector<std::string>& words) KL_REQUIRES(sim.mutex()) {
  int64_t files = 1;
  const bool video = words[2] == "video";
  if ((!video && words[2] != "photo") || words.size() > 4 ||
      (words.size() == 4 && (!simParseNumber(words[3], files) || files < 1 || files > kMaxGroupFiles)) ||
      (video && files != 1)) {
    return "error usage: card add video | card add photo [FILES]";
  }
  SimCamera& camera = sim.camera();
  const uint32_t capture = camera.card().addCapture(video, unsigned(files));
  camera.syncCardCounts();
  return "ok " + std::to_string(capture);
}

}  // namespace

std::string simControlCard(SimSimulator& sim, const std::vector<std::string>& words, unsigned) {
  if (words.size() >= 3 && words[1] == "add") return addCapture(sim, words);
  if (words.size() != 1) return "error usage: card | card add video|photo [FILES]";
  std::string reply = "ok";
  for (const SimMediaFile& file : sim.camera().card().files()) reply += " " + file.name;
  return reply;
}

std::string simControlTags(SimSimulator& sim, const std::vector<std::string>& words, unsigned) {
  const SimMediaFile* file = sim.camera().card().find(words[1]);
  if (file == nullptr) return "error no file " + words[1];
  std::string reply = "ok";
  for (const SimMediaTag& tag : file->tags)
    reply += " " + std::to_string(tag.offset) + ":" + std::to_string(tag.kind);
  return reply;
}
