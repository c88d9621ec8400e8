#include "engine/GrowingFile.h"

#include <boost/thread/lock_guard.hpp>

void GrowingFile::Grow(uint64_t size)
{
    {
        boost::lock_guard<boost::mutex> lock(mutex_);
        size_ = size;
    }
    changed_.notify_all();
}

void GrowingFile::Finish()
{
    {
        boost::lock_guard<boost::mutex> lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

bool GrowingFile::WaitBeyond(uint64_t position)
{
    boost::unique_lock<boost::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return size_ > position || finished_; });
    return size_ > position;
}
