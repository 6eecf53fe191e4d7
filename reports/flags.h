// The command line's options in one table, the three flag words behind named
// operations, and the printer's capability word.
//
// Every option that only switches something on sets one bit of one of three
// 64-bit flag words; the four options whose argument is kept (maxproc,
// setcontact, setlocation, updatefirmware) set a bit of word 2 as well. Each
// worker gets its own copy of the words, and the reports clear the bits of
// the options they have answered, so later steps look only at what is left.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

// Every option, in the order of the option table (the order getopt_long
// matches abbreviations against, and lists the candidates of an ambiguous
// one in). The names are the long options'.
enum class Option : std::uint8_t {
    version, all, debugsnmp, name, vendor, model, contact, netconfig, printmib, hostmib,
    memory, storage, status, mediapath, maxpapersize, enginespeed, duplex, minpapersize, inputtray,
    tabloid, a4, b4, executive, a3, b5, letter, legal, display, covers,
    languages, pjl, hpgl, psprinter, autolang, pcl, postscript, marker, pagecount, colors, resolution,
    minmargin, protocol, appletalk, lpd, netware, port9100, supplies, cfgsrc, alerts, reboot,
    generic, serial, json, health,
    maxproc, setcontact, setlocation, updatefirmware,
    // Options with handling of their own: no flag bit.
    community, timeout, connection, help, snmpVersion, v3User, v3Level, v3AuthProtocol,
    v3AuthPassphrase, v3PrivProtocol, v3PrivPassphrase, secrets, v3EngineId, knownEngines,
};

// The group of MIB variables an option asks about; a printer answers a group
// or not (the capability word's bits 0-4).
enum class MibGroup : std::uint8_t { None, HostResources, PrinterMib, VendorPrivate };

// The step of a printer's work that answers an option. The worker runs the
// steps in a fixed order, each only when one of its options is asked.
enum class Report : std::uint8_t {
    None,          // options of the run itself (--all, --name, --json ...)
    General,       // identification, contact, network configuration, MIB support
    Settings,      // --setcontact, --setlocation
    HostResources,
    Serial,        // the Printer MIB groups, in the order they run
    Markers,
    MediaPaths,
    Display,
    InputTrays,
    Covers,
    Languages,
    Channels,
    Supplies,
    Alerts,
    Reset,
    ConfigSource,
    Firmware,
    Health,        // the printer's health, after every other step
};

// A line of the classic --help text and its position there (1 is the first line).
struct ClassicHelp {
    int line = 0;  // 0: none
    const char *text = nullptr;
};

// One row of the option table.
struct OptionSpec {
    Option id;
    const char *name;       // the long option
    char letter;            // the short option, 0 for none
    bool takesArgument;
    int word;               // the flag word of its bit, -1 for an option without one
    std::uint64_t bit;
    MibGroup mib;           // the MIB group the option asks about
    Report report;          // the step that answers it
    const char *unsupported;  // the word of its "not supported" line, or nullptr
    int complaintOrder;       // the line's place among those of its MIB group
    ClassicHelp help[2];      // its lines of the classic --help text
};

// The whole table, in Option order.
std::span<const OptionSpec> option_table();
const OptionSpec &option_spec(Option option);

// The four options whose argument is kept: settings[n - 3] for bit n of word 2.
enum SettingIndex { SETTING_MAXPROC = 0, SETTING_SETCONTACT = 1, SETTING_SETLOCATION = 2,
                    SETTING_UPDATEFIRMWARE = 3 };

// The three flag words of one run or one printer's worker.
class FlagWords {
 public:
    FlagWords() = default;
    FlagWords(std::initializer_list<Option> options);
    // The words as they stand (tests, and the bit values of the option table).
    static FlagWords from_words(std::uint64_t w0, std::uint64_t w1, std::uint64_t w2);

    bool asked(Option option) const;
    bool asked_any(std::initializer_list<Option> options) const;
    // Any option answered by the report, or asking about the MIB group.
    bool asked_any(Report report) const;
    bool asked_any(MibGroup group) const;
    // --all: the reports a printer does not support are skipped without a word.
    bool silences_unsupported() const { return asked(Option::all); }

    void ask(Option option);
    // The option is answered: later steps no longer see it.
    void answered(Option option);
    // Sets the bit of an option-table value (word index in its low three bits).
    void set_table_value(std::uint64_t value);

    std::uint64_t word(int index) const { return words_[index]; }

 private:
    std::uint64_t words_[3] = {0, 0, 0};
};

// The vendor codes of the capability word.
enum VendorCode { VENDOR_NONE = 0, VENDOR_HP = 1, VENDOR_LEXMARK = 2, VENDOR_XEROX = 3,
                  VENDOR_TEKTRONIX = 4, VENDOR_QMS = 5, VENDOR_IBM = 6, VENDOR_EFI = 7 };

// capFlags, one word per printer: bits 0-2 the MIB groups the options want
// (host resources, Printer MIB, vendor private), bit 3 the printer answers the
// Host Resources MIB, bit 4 the Printer MIB, bits 8-11 the vendor code.
class Capabilities {
 public:
    // The groups the options ask about.
    static Capabilities wanted_by(const FlagWords &flags);

    bool wants(MibGroup group) const { return capFlags & want_bit(group); }
    bool wants_any() const { return capFlags & 0x7; }
    void no_longer_wants(MibGroup group) { capFlags &= ~want_bit(group); }

    bool answers(MibGroup group) const { return capFlags & has_bit(group); }
    void found(MibGroup group) { capFlags |= has_bit(group); }
    void lost(MibGroup group) { capFlags &= ~has_bit(group); }
    // The MIB groups another probe found.
    void found(const Capabilities &other) { capFlags |= other.capFlags & 0x18; }

    int vendor() const { return static_cast<int>((capFlags >> 8) & 0xf); }
    void set_vendor(int code) {
        capFlags = (capFlags & ~std::uint64_t{0xf00}) | ((static_cast<std::uint64_t>(code) & 0xf) << 8);
    }

    std::uint64_t word() const { return capFlags; }
    static Capabilities from_word(std::uint64_t word) {
        Capabilities caps;
        caps.capFlags = word;
        return caps;
    }

 private:
    static std::uint64_t want_bit(MibGroup group);
    static std::uint64_t has_bit(MibGroup group);
    std::uint64_t capFlags = 0;
};
