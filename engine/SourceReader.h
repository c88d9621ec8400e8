#pragma once

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

// Reads the files that an installation will copy, in its order, on a thread
// of its own, and takes the digest of each that has one listed, so that the
// installation itself, with the product closed, only renames and writes.
// Reading has no effect on the install folder, so the installation fails at
// the same file, with the same outcome, as it would reading by itself. At
// most kBudget bytes wait at a time; a larger file is left for the
// installation to copy from its path.
class SourceReader {
public:
    struct Source {
        std::string path;
        std::string md5;  // "": taken as it is
    };
    struct File {
        DWORD error = ERROR_SUCCESS;  // the read's error, or ERROR_CRC for another digest
        bool loaded = false;          // false: too large to hold, copy it from its path
        std::vector<char> bytes;
    };

    explicit SourceReader(std::vector<Source> sources);
    // Stops reading ahead and waits for the thread.
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // The next source's file, waited for; every source is taken once, in order.
    File Next();

private:
    static constexpr size_t kBudget = 16 << 20;
    static constexpr size_t kLargest = 8 << 20;

    void ReadAll();
    static File Read(const Source& source);

    const std::vector<Source> sources_;
    boost::mutex mutex_;
    boost::condition_variable changed_;
    std::deque<File> ready_;
    size_t held_ = 0;   // bytes in ready_
    size_t taken_ = 0;  // by Next, on the installation's thread
    bool stopping_ = false;
    boost::thread thread_;
};
