// Media calls: tagging and deleting files on the camera's card.
#include "klc_call.h"

namespace {

// Sends the words followed by the name (without its NUL) as one payload.
int sendNamed(klc_msg_q_context_t* ctx, klc_link_op op, const uint32_t* words, size_t wordCount,
              const char* name, uint32_t nameLength) {
  const size_t head = wordCount * sizeof(uint32_t);
  if ((name == nullptr && nameLength > 0) || nameLength > KLC_LINK_MAX_PAYLOAD - head)
    return KL_ERR_INVALID_PARAM;
  uint8_t payload[KLC_LINK_MAX_PAYLOAD];
  if (head > 0) std::memcpy(payload, words, head);
  if (nameLength > 0) std::memcpy(payload + head, name, nameLength);
  return klc_call_op(ctx, op, payload, uint16_t(head + nameLength));
}

}  // namespace

int klc_storage_tag_file(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength, uint32_t offset,
                         uint32_t leadingWord) {
  const uint32_t words[2] = {offset, leadingWord};
  return sendNamed(ctx, KLC_OP_STORAGE_TAG_FILE, words, 2, name, nameLength);
}

int klc_storage_delete_file(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength) {
  return sendNamed(ctx, KLC_OP_STORAGE_DELETE_FILE, nullptr, 0, name, nameLength);
}

int klc_storage_delete_group(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength) {
  return sendNamed(ctx, KLC_OP_STORAGE_DELETE_GROUP, nullptr, 0, name, nameLength);
}

int klc_storage_delete_list(klc_msg_q_context_t* ctx, const file_list_item_t* items, uint32_t count) {
  if ((items == nullptr && count > 0) || count > KLC_LINK_MAX_PAYLOAD / sizeof(file_list_item_t))
    return KL_ERR_INVALID_PARAM;
  return klc_call_op(ctx, KLC_OP_STORAGE_DELETE_LIST, items, uint16_t(count * sizeof(file_list_item_t)));
}
