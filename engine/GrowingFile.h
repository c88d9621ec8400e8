#pragma once

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>

#include <cstdint>

// A file that one thread writes while another reads it: the writer tells how
// many bytes are on disk, and the reader waits for more until the writer is
// done.
class GrowingFile {
public:
    // Writer: the first size bytes can be read.
    void Grow(uint64_t size);
    // Writer: nothing more will be written (the file is closed).
    void Finish();
    // Reader: waits until more than position bytes can be read or the writer
    // is done. True when more were published; false once the writer is done,
    // after which the file is read to its end.
    bool WaitBeyond(uint64_t position);

private:
    boost::mutex mutex_;
    boost::condition_variable changed_;
    uint64_t size_ = 0;
    bool finished_ = false;
};
