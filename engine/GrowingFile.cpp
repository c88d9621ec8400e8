#include "engine/GrowingFile.h"

void GrowingFile::Grow(uint64_t size)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_ = size;
    }
    changed_.notify_all();
}

void GrowingFile::Finish()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

bool GrowingFile::WaitBeyond(uint64_t position)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return size_ > position || finished_; });
    return size_ > position;
}
