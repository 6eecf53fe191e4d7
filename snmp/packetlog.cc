// packetlog: numbering and creation of the per-printer packet-log files.
#include "snmp/packetlog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>

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

SNMP_descriptor create_packet_log(SNMP_log_numbers &numbers, int &number, int &err) {
    // O_EXCL|O_NOFOLLOW: a file, or a symlink planted under the name, is
    // never written through; the next number is taken instead. The names the
    // directory held are never tried, so this repeats only for names made
    // while the run goes on.
    for (; number >= 0; number = numbers.take()) {
        const int fd = ::open(numbers.path(number).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              S_IRUSR | S_IWUSR);
        if (fd >= 0) return SNMP_descriptor(fd);
        err = errno;
        if (err != EEXIST && err != ELOOP) return SNMP_descriptor();
    }
    err = 0;
    return SNMP_descriptor();
}
