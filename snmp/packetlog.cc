// packetlog: numbering, creation and writing of the per-printer packet-log files.
#include "snmp/packetlog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "snmp/snmpsock.h"

namespace {

constexpr char PREFIX[] = "snmplog.";

// N of a name "snmplog.N" written as the program writes it (decimal, no sign,
// no leading zero), or -1.
int log_number(const char *name) {
    const std::size_t prefix = sizeof PREFIX - 1;
    if (std::strncmp(name, PREFIX, prefix) != 0) return -1;
    const char *digits = name + prefix;
    if (digits[0] < '0' || digits[0] > '9' || (digits[0] == '0' && digits[1] != '\0')) return -1;
    long long n = 0;
    for (const char *p = digits; *p; ++p) {
        if (*p < '0' || *p > '9') return -1;
        n = n * 10 + (*p - '0');
        if (n > INT_MAX) return -1;
    }
    return static_cast<int>(n);
}

}  // namespace

SNMP_log_numbers::SNMP_log_numbers(std::string dir) : dir_(std::move(dir)) {
    DIR *d = ::opendir(dir_.empty() ? "." : dir_.c_str());
    if (!d) return;
    while (const dirent *e = ::readdir(d)) {
        const int n = log_number(e->d_name);
        if (n >= 0) found_.insert(n);
    }
    ::closedir(d);
}

int SNMP_log_numbers::take() {
    std::lock_guard<std::mutex> guard(lock_);
    while (next_ < INT_MAX && found_.count(next_)) ++next_;
    if (next_ == INT_MAX) return -1;
    return next_++;
}

std::string SNMP_log_numbers::path(int number) const {
    const std::string name = PREFIX + std::to_string(number);
    return dir_.empty() || dir_ == "." ? name : dir_ + "/" + name;
}

std::string SNMP_packet_log::create(SNMP_log_numbers &numbers, int &number) {
    // O_EXCL|O_NOFOLLOW: a file, or a symlink planted under the name, is
    // never written through; the next number is taken instead. The names the
    // directory held are never tried, so this repeats only for names made
    // while the run goes on.
    for (; number >= 0; number = numbers.take()) {
        const std::string path = numbers.path(number);
        SNMP_descriptor fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
        struct stat st {};
        if (fd.valid() && ::fstat(fd.get(), &st) == 0) {
            path_ = path;
            device_ = st.st_dev;
            inode_ = st.st_ino;
            return "";
        }
        if (fd.valid() || (errno != EEXIST && errno != ELOOP)) return std::strerror(errno);
    }
    return "no free snmplog number";
}

std::string SNMP_packet_log::append(const char *text, std::size_t len) const {
    // The name is looked up again for every record: whatever another user
    // may have put in its place (in a directory others can write to) is
    // never written, and O_NONBLOCK keeps a FIFO there from blocking the open.
    SNMP_descriptor fd(::open(path_.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return std::strerror(errno);
    if (st.st_dev != device_ || st.st_ino != inode_) return path_ + " is no longer the file created";
    while (len > 0) {
        const ssize_t n = ::write(fd.get(), text, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? std::strerror(errno) : "nothing written";
        text += n;
        len -= static_cast<std::size_t>(n);
    }
    return "";
}
