// Test-side notification clients: a TCP connection to the daemon's port (a registered queue is a
// TestRequester), each handing out the documents it received.
#pragma once

#include <string>

#include "klUniqueFd.h"
#include "klcontrol_push_frames.h"
#include "test_requester.h"

// A first document after a resume: every status, then every setting.
bool isFullDocument(const std::string& document);
// Sends the push-notification switch ("status=1", ...) from the requester; the answer's status.
int32_t switchPushing(const TestRequester& requester, const std::string& text);

// A listener on the daemon's port, as another program holding it would be; invalid when taken.
UniqueFd holdNotificationPort();

// A connection to 127.0.0.1:8081; reads "LENGTH:n\n\n" frames.
class PushSocket {
 public:
  // Connects (retrying while the listener is not up yet); receiveBuffer > 0 shrinks SO_RCVBUF first.
  explicit PushSocket(int receiveBuffer = 0);
  PushSocket(const PushSocket&) = delete;
  PushSocket& operator=(const PushSocket&) = delete;

  bool connected() const { return mFd.valid(); }
  // The next document's text within timeoutMs; false on time-out, close or a broken frame.
  bool next(std::string& document, int timeoutMs = 5000);
  // Documents already received and complete, without waiting; -1 when the frames are broken.
  int drain();
  // True when the daemon closed the connection within timeoutMs.
  bool closedByPeer(int timeoutMs);
  // Reads until the daemon ends the connection; the complete documents received, or -1 when it was
  // still open after idleMs without data or ended cleanly in the middle of a document (a reset may).
  int readToTheEnd(int idleMs);
  void close();
  // Closes without a word to the daemon, as a peer whose link dropped: no FIN, no reset.
  void vanish();

 private:
  bool receiveSome(int timeoutMs);

  UniqueFd mFd;
  KlcontrolFrameReader mFrames;
  bool mReset = false;
};

// The client's next document, or an empty text when none came within timeoutMs.
template <typename Client>
std::string nextDocument(Client& client, int timeoutMs = 5000) {
  std::string document;
  return client.next(document, timeoutMs) ? document : std::string();
}
