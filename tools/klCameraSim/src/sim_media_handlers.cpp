// Media on the card: tagging a recorded file and the deletions (one file, a group, the last capture,
// everything, a list) with the list deletion's result (remote API 9/23).
#include <cstring>
#include <string>

#include "klErrno.h"
#include "sim_handlers.h"

namespace {

constexpr int8_t kCardMissing = 2;

std::string nameFrom(const uint8_t* bytes, unsigned length) {
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

// Runs a change of the card, unless there is none, and shows the new counts in the status block.
template <typename Change>
void onCard(SimCamera& camera, SimReply& reply, Change change) {
  if (camera.status().sd_status == kCardMissing) {
    reply.status = KL_ERR_NO_SDCARD;
    return;
  }
  reply.status = change(camera.card());
  camera.syncCardCounts();
}

// Payload: uint32 offset, uint32 leading word (the tag's kind), the file name.
void tagFile(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint32_t words[2] = {};
  if (request.payloadLength <= sizeof words) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  std::memcpy(words, request.payload, sizeof words);
  const std::string name = nameFrom(request.payload + sizeof words, request.payloadLength - sizeof words);
  onCard(camera, reply, [&](SimMediaCard& card) { return card.tag(name, words[0], words[1]); });
}

void deleteFile(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const std::string name = nameFrom(request.payload, request.payloadLength);
  onCard(camera, reply, [&](SimMediaCard& card) { return card.deleteFile(name); });
}

void deleteGroup(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const std::string name = nameFrom(request.payload, request.payloadLength);
  onCard(camera, reply, [&](SimMediaCard& card) { return card.deleteGroup(name); });
}

void deleteLast(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  onCard(camera, reply, [](SimMediaCard& card) { return card.deleteLast(); });
}

void deleteAll(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  onCard(camera, reply, [](SimMediaCard& card) {
    card.deleteAll();
    return int(KL_OK);
  });
}

void deleteList(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (request.payloadLength % sizeof(file_list_item_t) != 0) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const auto* items = reinterpret_cast<const file_list_item_t*>(request.payload);
  const unsigned count = request.payloadLength / sizeof(file_list_item_t);
  onCard(camera, reply, [&](SimMediaCard& card) {
    card.deleteList(items, count);
    return int(KL_OK);
  });
}

void deleteListResult(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer = camera.card().listResult();
}

}  // namespace

void simAddMediaHandlers(SimHandlerTable& table) {
  table.add({
      {KLC_OP_STORAGE_TAG_FILE, tagFile},
      {KLC_OP_STORAGE_DELETE_FILE, deleteFile},
      {KLC_OP_STORAGE_DELETE_GROUP, deleteGroup},
      {KLC_OP_STORAGE_DELETE_LIST, deleteList},
      {REMOTE_MEDIA_DELETE_LAST, deleteLast},
      {REMOTE_MEDIA_DELETE_ALL, deleteAll},
      {REMOTE_MEDIA_DELETE_LIST_RESULT, deleteListResult},
  });
}
