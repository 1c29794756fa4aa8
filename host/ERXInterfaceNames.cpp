// One key for one interface, whether the router names it in CLI output or in
// its SNMP interface table.
//
// What is known of the router's naming: the CLI prints "ATM2/0.1",
// "FastEthernet2/0.1", "GigabitEthernet 4/0", "serial4/1:1/1/1/1/1.1", the
// same interface sometimes in lower case ("atm2/0.34"), and MPLS tunnels as
// "tun mpls:1" (or, after the forwarding parser drops the "tun" word,
// "mpls:1"). The SNMP ifDescr of an IP interface is "ip<slot>/<port>.<sub>"
// (documented example "IP3/1.1"): the interface type is not in it, but slot,
// port and subinterface identify the interface on their own.
//
// BGP next-hop records print "Direct next-hop ATM2/0.1 (10.1.1.2)", possibly
// with a second interface after a comma: a CLI name ends at the first "(" or
// ",".
//
// Key form: lower case, blanks dropped; a name made of a type word and a
// slot/port location keeps only "ip" and the location ("ATM2/0.1" and
// "IP2/0.1" both give "ip2/0.1"); a leading "tun" word is dropped; any other
// name ("loopback0", "mpls:1") is kept as it is. The context (virtual router,
// or virtual router and VRF) does not enter the key: an interface has one name
// whichever context printed it.
#include <cctype>
#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>

#include "host/ERXHost.h"

namespace {

const int kIfTypeMplsTunnel = 150;

// Lower case, blanks dropped, written over `out`.
void FoldInto(std::string_view text, std::string& out) {
  out.resize(text.size());
  char* end = out.data();
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    // The C locale's blanks and case (the process never sets another), without
    // a library call per byte: every interface name of a large router passes here.
    if (c == ' ' || (c >= '\t' && c <= '\r')) continue;
    *end++ = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  out.resize(static_cast<size_t>(end - out.data()));
}

std::string Folded(std::string_view text) {
  std::string folded;
  FoldInto(text, folded);
  return folded;
}

// "tun mpls:1" -> "mpls:1"; only the word "tun" followed by a blank goes.
std::string_view WithoutTunnelWord(std::string_view name) {
  const size_t start = name.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return name;
  if (name.size() > start + 3 && std::tolower(static_cast<unsigned char>(name[start])) == 't' &&
      std::tolower(static_cast<unsigned char>(name[start + 1])) == 'u' &&
      std::tolower(static_cast<unsigned char>(name[start + 2])) == 'n' &&
      std::isspace(static_cast<unsigned char>(name[start + 3]))) {
    return name.substr(start + 3);
  }
  return name;
}

// "atm2/0.1" -> "ip2/0.1" in place; names without a slot/port location are unchanged.
void ToLocationKey(std::string& name) {
  size_t first = 0;
  while (first < name.size() && std::isalpha(static_cast<unsigned char>(name[first]))) ++first;
  if (first == 0 || first == name.size() ||
      !std::isdigit(static_cast<unsigned char>(name[first])) ||
      name.find('/', first) == std::string::npos) {
    return;
  }
  name.replace(0, first, "ip");
}

// The normalization that both a CLI name and an interface-table row get.
void InterfaceKey(std::string_view name, std::string& out) {
  FoldInto(WithoutTunnelWord(name), out);
  ToLocationKey(out);
}

// A C string up to its first NUL; null reads as "".
std::string_view TextOf(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

}  // namespace

void ERXGetDescrFromVrfDescr(const char* cliName, const std::string& /*context*/,
                             std::string& out) {
  const std::string_view name = TextOf(cliName);
  // Every label entry's two interfaces pass here: no search of a set of
  // bytes, and no string of our own when the name does not live in `out`.
  std::size_t cut = 0;
  while (cut < name.size() && name[cut] != '(' && name[cut] != ',') ++cut;
  const std::less_equal<const char*> atOrBefore;
  const bool inOut =
      atOrBefore(out.data(), name.data()) && atOrBefore(name.data(), out.data() + out.size());
  if (!inOut) {
    InterfaceKey(name.substr(0, cut), out);
    return;
  }
  std::string key;
  InterfaceKey(name.substr(0, cut), key);
  out = std::move(key);
}

// A VRF context ("vr:vrf") lists only the VRF's own interfaces, all of them
// layer 3 (IP interfaces, loopbacks, tunnels, whatever the operator bound), so
// every row is keyed like the CLI name of the same interface. A table without
// a VRF context also holds the layer-2 rows (ATM2/0, FastEthernet4/0) under
// the IP interfaces: keyed by location they would take the IP interface's key,
// so there only "ip<slot>/<port>" rows and MPLS tunnels are wanted.
void ERXGetDescrFromIfTableDescr(const char* ifDescr, const std::string& context, std::string& out,
                                 int ifType) {
  const std::string_view descr = TextOf(ifDescr);
  std::string key;  // the description may live in `out`
  if (context.find(':') != std::string::npos) {
    InterfaceKey(descr, key);
    out = std::move(key);
    return;
  }
  const std::string folded = Folded(descr);
  const bool ipInterface = folded.size() > 2 && folded.compare(0, 2, "ip") == 0 &&
                           std::isdigit(static_cast<unsigned char>(folded[2])) &&
                           folded.find('/') != std::string::npos;
  if (ipInterface) {
    out = folded;
  } else if (ifType == kIfTypeMplsTunnel && !folded.empty()) {
    out = Folded(WithoutTunnelWord(descr));
  } else {
    out.clear();
  }
}
