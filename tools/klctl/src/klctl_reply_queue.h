// The private queue on which klctl receives one answer.
#pragma once
#include <string>

#include "klMbox.h"

// Creates the queue exclusively on construction; closes and removes it on destruction.
class KlctlReplyQueue {
 public:
  explicit KlctlReplyQueue(std::string name);
  ~KlctlReplyQueue();
  KlctlReplyQueue(const KlctlReplyQueue&) = delete;
  KlctlReplyQueue& operator=(const KlctlReplyQueue&) = delete;

  // True when the queue was created.
  bool isOpen() const { return mMbox.mqd != -1; }
  const std::string& name() const { return mName; }
  // Receives one message of at most size bytes; its length, or -1 when none came within timeout
  // seconds.
  int receive(uint8_t* buffer, int size, double timeout);

 private:
  std::string mName;
  klMbox_t mMbox;
};
