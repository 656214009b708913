#pragma once
// A file's bytes seen through a private mapping: the page cache's own pages are read where they are,
// with no copy into new memory, and a page is copied only where the lines are rewritten in it.
//
// One byte more than the file stands writable after it (a last line without a break gets its LF
// there). Should another program shorten the file while it is mapped, the pages it lost read as line
// breaks instead of ending the process.
#include <cstddef>
#include <memory>

namespace tf {

class FileMapping {
public:
    // Maps `size` bytes of an open file; null when the system refuses (errno says why).
    static std::unique_ptr<FileMapping> map(int fd, std::size_t size);
    ~FileMapping();
    FileMapping(const FileMapping &) = delete;
    FileMapping &operator=(const FileMapping &) = delete;

    char *data() const { return m_data; }
    std::size_t size() const { return m_size; } // the file's bytes; one more is writable

    // Takes the pages of [offset, offset + bytes) from the page cache now (reading the disk where it
    // must), so that the scans after it find them mapped.
    void populate(std::size_t offset, std::size_t bytes) const;

private:
    FileMapping(char *data, std::size_t size, char *room, std::size_t reserved);
    char *m_data;
    std::size_t m_size;
    char *m_room; // the whole range taken, from a little before m_data on
    std::size_t m_reserved;
};

} // namespace tf
