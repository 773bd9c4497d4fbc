// Objects the hand-off never makes itself, made by hand with the POSIX calls.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include "handoff/messages.h"
#include "handoff/reader.h"
#include "platform/shared_memory.h"
#include "scripted_context.h"

namespace vx {
namespace {

// A shared-memory object of 'size' bytes under 'name'; removed when the test ends.
class ForeignObject {
public:
    ForeignObject(const std::string& name, off_t size) : object_("/" + name) {
        int fd = ::shm_open(object_.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        EXPECT_GE(fd, 0);
        if (fd >= 0) {
            EXPECT_EQ(::ftruncate(fd, size), 0);
            ::close(fd);
        }
    }
    ~ForeignObject() { ::shm_unlink(object_.c_str()); }

private:
    std::string object_;
};

TEST(SharedMemoryPosix, AnObjectSmallerThanABlockIsNeverMapped) {
    // Mapping it whole and reading the last page would end the process with SIGBUS.
    const std::string name = fresh_shared_memory_name();
    ForeignObject small(name, 100);
    SharedMemory reader;
    EXPECT_EQ(reader.open(name), SharedMemory::Opened::map_failed);
    EXPECT_FALSE(reader.is_open());

    test::ScriptedContext context;
    EXPECT_TRUE(handoff::read_block(name, context).empty());
    ASSERT_EQ(context.boxes.size(), 1u);
    EXPECT_EQ(context.boxes[0].text, "Map view of file '" + name + "' cannot be done!");
    EXPECT_EQ(context.boxes[0].caption, "Warning");
}

}  // namespace
}  // namespace vx
