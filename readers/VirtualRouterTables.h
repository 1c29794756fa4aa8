// The two tables that list a router's contexts: `show virtual-router` (its
// virtual routers) and `show ip vrf` (the VRFs of the virtual router the
// session stands in). Read by the host to find every VRF, and by the live
// transport to guess which SNMP contexts the host will ask next.
//
// "show virtual-router": a heading line, an optional dash rule, then one line
// per virtual router whose first word is its name:
//     Virtual Router   Router ID        Type
//     --------------   ---------        ----
//     default          10.255.0.1       default
//     vr1              10.255.1.1       user
// "show ip vrf": a heading that starts with "Name" (or "VRF"), then one line
// per VRF at the heading's indentation, first word the VRF name; lines
// indented further continue the VRF above (more interfaces):
//     Name          Default RD        Interfaces
//     red           100:1             ATM2/0.10
//                                     ATM2/0.11
//     blue          100:2
//
// No capture of these two commands was available: the layouts above are our
// best reading of the router's table style, kept here so that a real capture
// can correct them in one place.
#ifndef READERS_VIRTUALROUTERTABLES_H_
#define READERS_VIRTUALROUTERTABLES_H_

#include <string>
#include <string_view>
#include <vector>

// The names in a reply to `show virtual-router`, in its order.
std::vector<std::string> VirtualRoutersOf(std::string_view reply);
// The names in a reply to `show ip vrf`, in its order.
std::vector<std::string> VrfsOf(std::string_view reply);

#endif  // READERS_VIRTUALROUTERTABLES_H_
