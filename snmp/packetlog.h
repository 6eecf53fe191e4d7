// Packet-log files: free numbers from one reading of the directory, files for their owner only.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_set>

// The "snmplog.N" numbers of one run's packet logs in one directory. The
// directory is read once, when the object is made; every number taken then
// comes from memory, so a sweep of thousands of printers costs one directory
// read, not a probe of every name from snmplog.0 up for every printer.
class SNMP_log_numbers {
 public:
    // Reads dir ("." is the current directory); a directory that cannot be
    // read is taken as empty (creation still never overwrites anything).
    explicit SNMP_log_numbers(std::string dir = ".");
    SNMP_log_numbers(const SNMP_log_numbers &) = delete;
    SNMP_log_numbers &operator=(const SNMP_log_numbers &) = delete;

    // The lowest number whose name was not in the directory and was not
    // taken before; -1 when no number is left. Safe from many threads.
    int take();
    // "snmplog.N", behind "dir/" unless dir is ".".
    std::string path(int number) const;

 private:
    std::string dir_;
    std::mutex lock_;
    std::unordered_set<int> found_;  // numbers of the names in the directory
    int next_ = 0;
};

// One printer's packet-log file. It is created once, and then opened for each
// record and closed again: a sweep runs more printers at once than a process
// may hold descriptors, and every one of them keeps its log.
class SNMP_packet_log {
 public:
    // Creates the file of number: write-only, readable and writable by its
    // owner only (the log holds the community in clear), never over an
    // existing name nor through a symlink. When the name exists (it appeared
    // after the directory was read), number becomes the next one taken.
    // Returns "" or why the file could not be created.
    std::string create(SNMP_log_numbers &numbers, int &number);
    // Appends len bytes at text to the file; returns "" or why it could not
    // (the name no longer leads to the file created, for one).
    std::string append(const char *text, std::size_t len) const;
    // Empty until created.
    const std::string &path() const { return path_; }

 private:
    std::string path_;
    dev_t device_ = 0;  // identity of the file created
    ino_t inode_ = 0;
};
