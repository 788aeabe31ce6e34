#include "framework/stream/filestream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace fw {

namespace {

class TFileStream final : public TStream {
public:
    explicit TFileStream(int fd) : fd_(fd) {}
    ~TFileStream() override { Close(); }

    int64_t Pos() override {
        if (fd_ < 0) return -1;
        off_t pos = lseek(fd_, 0, SEEK_CUR);
        return pos < 0 ? -1 : int64_t(pos);
    }

    int64_t Size() override {
        struct stat st;
        if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
        return int64_t(st.st_size);
    }

    // Negative positions become 0; beyond the end is allowed, as writing
    // there extends the file.
    int64_t Seek(int64_t pos) override {
        if (fd_ < 0) return -1;
        off_t result = lseek(fd_, off_t(pos < 0 ? 0 : pos), SEEK_SET);
        return result < 0 ? -1 : int64_t(result);
    }

    int64_t Read(void* buf, int64_t count) override {
        if (fd_ < 0 || !buf || count <= 0) return 0;
        auto* bytes = static_cast<char*>(buf);
        int64_t done = 0;
        while (done < count) {
            ssize_t n = read(fd_, bytes + done, Chunk(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        return done;
    }

    int64_t Write(const void* buf, int64_t count) override {
        if (fd_ < 0 || !buf || count <= 0) return 0;
        auto* bytes = static_cast<const char*>(buf);
        int64_t done = 0;
        while (done < count) {
            ssize_t n = write(fd_, bytes + done, Chunk(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        return done;
    }

    bool Eof() override {
        int64_t pos = Pos(), size = Size();
        return pos < 0 || size < 0 || pos >= size;
    }

    void Close() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    // read and write move at most SSIZE_MAX bytes at a time.
    static size_t Chunk(int64_t left) {
        return size_t(left < int64_t(SSIZE_MAX) ? left : int64_t(SSIZE_MAX));
    }

    int fd_;
};

}  // namespace

Ref<TStream> OpenFileStream(std::string_view path, bool readable, bool writeable) {
    if (!readable && !writeable) return nullptr;
    std::string name(path);
    // A name with a NUL in it would open a different file.
    if (name.empty() || name.find('\0') != std::string::npos) return nullptr;
    int flags = readable && writeable ? O_RDWR | O_CREAT
                : writeable           ? O_WRONLY | O_CREAT | O_TRUNC
                                      : O_RDONLY;
    // Non-blocking only for the opening, so a named pipe cannot hang it; it
    // is refused below with everything else that is not a regular file.
    int fd = open(name.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return New<TFileStream>(fd);
}

}  // namespace fw
