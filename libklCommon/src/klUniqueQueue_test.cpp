#include "klUniqueQueue.h"

#include <gtest/gtest.h>

#include "test_mailbox_names.h"

// The owner closes its descriptor when it goes and removes a queue only if it created it; a move hands
// both over, so that the queue is closed and removed once.
TEST(UniqueQueue, ClosesWhatItHoldsAndRemovesOnlyWhatItCreated) {
  TestMailboxNames names;
  const char* name = names.make("owned");
  const mq_attr attr = {0, 2, 64, 0, {}};
  UniqueQueue taken;
  mqd_t closed = mqd_t(-1);
  {
    UniqueQueue created = UniqueQueue::create(name, O_RDONLY | O_EXCL, 0600, attr);
    ASSERT_TRUE(created.valid());
    EXPECT_FALSE(UniqueQueue::create(name, O_RDONLY | O_EXCL, 0600, attr).valid());  // removes nothing
    UniqueQueue opened = UniqueQueue::open(name, O_WRONLY);
    const UniqueQueue moved = std::move(opened);
    EXPECT_EQ(mq_send(moved.get(), "x", 1, 0), 0);
    closed = moved.get();
    taken = std::move(created);
  }  // the moved-from owners give up nothing; the opened queue is closed, not removed
  EXPECT_EQ(fcntl(closed, F_GETFD), -1);
  EXPECT_TRUE(UniqueQueue::open(name, O_WRONLY).valid());
  mq_attr held{};
  EXPECT_EQ(mq_getattr(taken.get(), &held), 0);
  EXPECT_EQ(held.mq_curmsgs, 1);
  taken.reset();
  EXPECT_FALSE(UniqueQueue::open(name, O_WRONLY).valid());
}
