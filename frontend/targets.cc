// Target expansion: "name(community)", host names and addresses, a.b.c.d-e and a.b.c.d-w.x.y.z
// ranges, a.b.c.d/len or /mask subnets.
#include "frontend/targets.h"

#include <cstdint>
#include <cstdio>

namespace {

// How far a text reads as numbers and separators.
enum class Form {
    Absent,      // not of that shape: some other kind of name
    OutOfRange,  // of that shape, but a number above 255
    Read,
};

// Reads count decimal numbers separated by the given separators, and nothing
// else: "10.0.0.7-9" with ".", ".", ".", "-". A number stops growing past 255,
// so no length of digits overflows.
Form read_octets(const std::string &text, const char *separators, unsigned *values, std::size_t count) {
    std::size_t pos = 0;
    bool tooLarge = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != separators[i - 1]) return Form::Absent;
            ++pos;
        }
        std::size_t start = pos;
        unsigned value = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
            if (value <= 255) value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        if (pos == start) return Form::Absent;
        tooLarge = tooLarge || value > 255;
        values[i] = value;
    }
    if (pos != text.size()) return Form::Absent;
    return tooLarge ? Form::OutOfRange : Form::Read;
}

// The less complete of two parts read.
Form both(Form a, Form b) {
    if (a == Form::Absent || b == Form::Absent) return Form::Absent;
    return a == Form::OutOfRange || b == Form::OutOfRange ? Form::OutOfRange : Form::Read;
}

// The address and the prefix length after "/". The length is any decimal
// number ("/024" is 24); a large one only needs to stay large enough to be
// refused, so it stops growing at 100.
Form read_prefix_form(const std::string &text, std::size_t slash, unsigned *octets, unsigned &prefix) {
    std::string len = text.substr(slash + 1);
    if (len.empty()) return Form::Absent;
    prefix = 0;
    for (char ch : len) {
        if (ch < '0' || ch > '9') return Form::Absent;
        if (prefix < 100) prefix = prefix * 10 + static_cast<unsigned>(ch - '0');
    }
    return read_octets(text.substr(0, slash), "...", octets, 4);
}

std::string dotted(std::uint32_t a) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", (a >> 24) & 0xff, (a >> 16) & 0xff,
                  (a >> 8) & 0xff, a & 0xff);
    return buf;
}

std::uint32_t combine(const unsigned *octets) {
    return (octets[0] << 24) | (octets[1] << 16) | (octets[2] << 8) | octets[3];
}

// What a name made of one form: not that form (matched false), or its targets
// added, or refused with a reason.
struct FormResult {
    bool matched = false;
    std::optional<std::string> refusal;
};

// The addresses first to last, in order; none when first > last.
FormResult add_addresses(std::uint32_t first, std::uint32_t last, const std::optional<std::string> &community,
                         std::vector<TargetSpec> &out) {
    if (first > last) return {true, std::nullopt};
    if (out.size() + (std::uint64_t{last} - first + 1) > MAX_TARGETS) return {true, "too many printers"};
    for (std::uint64_t a = first; a <= last; ++a) out.push_back({dotted(static_cast<std::uint32_t>(a)), community});
    return {true, std::nullopt};
}

// a.b.c.d-e, the last octet running from d to e, or a.b.c.d-w.x.y.z, every
// address from the first to the second (across octets too).
FormResult expand_range(const std::string &name, const std::optional<std::string> &community,
                        std::vector<TargetSpec> &out) {
    static const char *const outOfRange =
        "an address range is a.b.c.d-e or a.b.c.d-w.x.y.z with numbers up to 255";
    unsigned v[8];
    Form form = read_octets(name, "...-", v, 5);
    if (form == Form::Read) {
        const std::uint32_t base = combine(v) & 0xffffff00u;
        return add_addresses(base | v[3], base | v[4], community, out);
    }
    if (form == Form::Absent) form = read_octets(name, "...-...", v, 8);
    if (form == Form::Absent) return {};
    if (form == Form::OutOfRange) return {true, outOfRange};
    return add_addresses(combine(v), combine(v + 4), community, out);
}

FormResult expand_subnet(const std::string &name, const std::optional<std::string> &community,
                         std::vector<TargetSpec> &out) {
    unsigned a[4], m[4];
    std::uint32_t mask;
    std::size_t slash = name.find('/');
    unsigned prefix = 0;
    const Form maskForm =
        both(read_octets(name.substr(0, slash), "...", a, 4), read_octets(name.substr(slash + 1), "...", m, 4));
    if (maskForm == Form::Read) {
        mask = combine(m);
    } else if (Form prefixForm = read_prefix_form(name, slash, a, prefix); prefixForm == Form::Read) {
        if (prefix >= 30) return {true, "the prefix length must be below 30"};
        // A prefix length of 0 shifts by 32 modulo 32: the all-ones mask.
        mask = 0xffffffffu << ((32 - prefix) % 32);
    } else if (maskForm == Form::OutOfRange || prefixForm == Form::OutOfRange) {
        return {true, "a subnet is a.b.c.d/len or a.b.c.d/m.m.m.m with numbers up to 255"};
    } else {
        return {};
    }
    std::uint32_t addr = combine(a);
    std::uint32_t network = addr & mask;
    std::uint32_t broadcast = addr | ~mask;
    if (network + 1 >= broadcast || network == 0xffffffffu) return {true, std::nullopt};
    if (out.size() + (broadcast - network - 1) > MAX_TARGETS) return {true, "too many printers"};
    for (std::uint32_t h = network + 1; h < broadcast; ++h) out.push_back({dotted(h), community});
    return {true, std::nullopt};
}

// A host name's characters (RFC 1123: letters, digits, '-' and '.', and '_',
// which hosts files and some name services accept), starting with a letter
// or a digit. Anything else ("127.0.3.*", "lp1,lp2", an option given after
// "--") is no printer, and is refused rather than looked up.
bool host_name_shape(const std::string &name) {
    auto alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    if (!alnum(name[0])) return false;
    for (char c : name)
        if (!alnum(c) && c != '-' && c != '.' && c != '_') return false;
    return true;
}

// A name without a letter is an address, and must read as one: a host
// name's last label is never all digits (RFC 1123 2.1).
std::optional<std::string> check_address(const std::string &name) {
    for (char c : name)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return std::nullopt;
    unsigned v[4];
    switch (read_octets(name, "...", v, 4)) {
        case Form::Read: return std::nullopt;
        case Form::OutOfRange: return "an address is a.b.c.d with numbers up to 255";
        case Form::Absent: break;
    }
    return TARGET_FORMS;
}

// Adds the targets of one argument; returns the reason when it is malformed.
std::optional<std::string> expand_one(const std::string &arg, const char *defaultCommunity,
                                      std::vector<TargetSpec> &out) {
    std::string name = arg;
    std::optional<std::string> community;
    if (defaultCommunity) community = defaultCommunity;

    std::size_t open = arg.find('(');
    if (open != std::string::npos) {
        name = arg.substr(0, open);
        std::size_t close = arg.find(')', open + 1);
        std::string comm = arg.substr(open + 1, close == std::string::npos ? std::string::npos
                                                                           : close - open - 1);
        if (name.empty()) return "no printer name before \"(\"";
        if (comm.empty()) return "no community after \"(\"";
        community = comm;
    }
    if (name.empty()) return "empty printer name";

    // A digit-led name is a range or a subnet only when it reads as one
    // completely; "3com-printer" and "2nd-floor-hp" are host names.
    const bool digitLed = name[0] >= '0' && name[0] <= '9';
    if (digitLed && name.find('-') != std::string::npos) {
        FormResult range = expand_range(name, community, out);
        if (range.matched) return range.refusal;
    }
    if (digitLed && name.find('/') != std::string::npos) {
        FormResult subnet = expand_subnet(name, community, out);
        if (subnet.matched) return subnet.refusal;
    }
    if (!host_name_shape(name)) return TARGET_FORMS;
    if (std::optional<std::string> bad = check_address(name)) return bad;
    out.push_back({name, community});
    return std::nullopt;
}

}  // namespace

Expansion expand_target_arguments(const std::vector<TargetArgument> &args, const char *community) {
    Expansion e;
    for (const TargetArgument &arg : args) {
        std::optional<std::string> reason = expand_one(arg.text, community, e.targets);
        if (!reason && e.targets.size() > MAX_TARGETS) reason = "too many printers";
        if (reason) {
            e.ok = false;
            e.argument = arg.text;
            e.reason = *reason;
            e.list = arg.list;
            e.line = arg.line;
            e.targets.clear();
            return e;
        }
    }
    return e;
}

Expansion expand_targets(const std::vector<std::string> &args, const char *community) {
    std::vector<TargetArgument> given;
    for (const std::string &a : args) given.push_back({a});
    return expand_target_arguments(given, community);
}
