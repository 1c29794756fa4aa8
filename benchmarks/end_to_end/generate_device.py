#!/usr/bin/env python3
"""Writes a captured provider-edge router of a chosen size for erx-discover.

    generate_device.py OUT_DIR --destinations 100000 --vrfs 200 --routes 250

One virtual router ("default") with 64 MPLS core interfaces and a forwarding
table of N destinations, four per LSP; V VRFs of R routes each, every route
with its own labelled BGP next hop. Every interface resolves: core interfaces
through their address, each VRF's customer interface through its context's
interface table, one route per VRF through its detail query, and every 50th
route goes out on a long interface name that the route table wraps onto a
continuation line. CR/LF line ends, as a terminal log has them.
"""
import argparse
import os

HOST = "pe-big"
CORE = [(slot, sub) for slot in (2, 3) for sub in range(1, 33)]  # ATM2/0.1 .. ATM3/0.32
CORE_IFINDEX = 1000   # + position in CORE
GIGE_IFINDEX = 1100   # GigabitEthernet6/0.100, the wrapped name
CUST_IFINDEX = 10000  # + VRF number: FastEthernet4/0.N
DETAIL_IFINDEX = 30000  # + VRF number: ATM5/0.N, known only from a route's detail


def ip(n, first):
    return "%d.%d.%d.%d" % (first + (n >> 24), (n >> 16) & 255, (n >> 8) & 255, n & 255)


def core_name(k):
    slot, sub = CORE[k % len(CORE)]
    return "ATM%d/0.%d" % (slot, sub)


def core_addr(k):
    slot, sub = CORE[k % len(CORE)]
    return "10.%d.%d.1" % (slot, sub)


def vrf_name(v):
    return "vrf%05d" % v


class Log:
    def __init__(self, path):
        self.out = open(path, "w", newline="")

    def command(self, command, context=""):
        self.out.write("%s%s#%s\r\n" % (HOST, context, command))

    def lines(self, lines):
        self.out.write("\r\n".join(lines))
        if lines:
            self.out.write("\r\n")


def mpls_interfaces():
    lines = []
    for k in range(len(CORE)):
        lines += ["Interface %s  Up" % core_name(k), "  MPLS enabled, label space platform",
                  "  Signaling protocols: LDP", "  IP interfaces on this MPLS interface:",
                  "    %s/30" % core_addr(k)]
    lines += ["Interface GigabitEthernet6/0.100  Up", "  MPLS enabled, label space platform",
              "  Signaling protocols: LDP, RSVP-TE", "  IP interfaces on this MPLS interface:",
              "    10.6.0.1/30"]
    return lines


def forwarding(destinations):
    lines = ["LSP Name        Destination        Labels",
             "--------------  -----------------  ----------------------------------------"]
    for i in range(destinations):
        lsp = "lsp-%06d" % (i // 4) if i % 4 == 0 else ""
        dest = ip(i + 1, 3) + "/32"
        inIf = core_name(i // 4)
        if i % 10 == 9:
            outIf, nbr = "GigabitEthernet6/0.100", "10.6.0.2"
        else:
            k = i // 4 + 7
            outIf, nbr = core_name(k), core_addr(k)[:-1] + "2"
        lines.append("%-16s%-19sIn %d on %s" % (lsp, dest, 16 + i, inIf))
        lines.append("%35sOut %d on %s nbr %s" % ("", 200000 + i, outIf, nbr))
    return lines


def route_interface(v, j):
    """(CLI name, next-hop record's name, wrapped) of VRF v's route j."""
    if j == 0:
        return "ATM5/0.%d" % v, "ATM5/0.%d" % v, False
    if j % 50 == 49:
        return "GigabitEthernet6/0.100", "GigabitEthernet 6/0.100", True
    return core_name(v + j), core_name(v + j), False


def next_hop(j):
    return ip(j + 1, 2)


def vrf_detail(vrfs):
    lines = []
    for v in range(1, vrfs + 1):
        if lines:
            lines.append("")
        lines += ["VRF %s; default RD 100:%d" % (vrf_name(v), v),
                  "  Description: customer %d" % v, "  Interfaces:",
                  "    FastEthernet4/0.%d" % v, "  Export VPN route-target communities",
                  "    RT:100:%d" % v, "  Import VPN route-target communities",
                  "    RT:100:%d  RT:100:0" % v]
    return lines


def next_hops(v, routes):
    lines = []
    for j in range(routes):
        _, nhIf, _ = route_interface(v, j)
        lines += ["Indirect next-hop %s" % next_hop(j), "  MPLS stacked label %d" % (1000 + j),
                  "  Reachable (metric 2)", "  Direct next-hop %s (10.1.1.2)" % nhIf,
                  "  Reference count is 1"]
    return lines


def route_table(v, routes):
    lines = ["Prefix/Length       Type    Next Hop        Dist/Met   Intf",
             "------------------  ------  --------------  ---------  ---------------"]
    for j in range(routes):
        cli, _, wrapped = route_interface(v, j)
        prefix = "10.%d.%d.0/24" % (j >> 8, j & 255)
        head = "%-20s%-8s%-16s%-11s" % (prefix, "Bgp", next_hop(j), "200/0")
        if wrapped:
            lines += [head + "GigabitEthernet", " " * 55 + "6/0.100"]
        else:
            lines.append(head + cli)
    lines.append("%-20s%-8s%-16s%-11sFastEthernet4/0.%d" %
                 ("172.20.%d.0/24" % (v & 255), "Connect", "172.20.%d.1" % (v & 255), "0/0", v))
    return lines


def route_detail(v):
    return ["10.0.0.0/24", "  Type: Bgp  Distance: 200  Metric: 0", "  NHop: %s" % next_hop(0),
            "  IfIndx: %d" % (DETAIL_IFINDEX + v), "  Intf: ATM5/0.%d" % v, "  Age: 1d02h"]


def write_cli(path, destinations, vrfs, routes):
    log = Log(path)
    log.out.write("%s>enable\r\nPassword:\r\n" % HOST)
    log.command("show virtual-router")
    log.lines(["Virtual Router   Router ID        Type", "--------------   ---------        ----",
               "default          10.255.0.1       default"])
    log.command("show ip vrf")
    log.lines(["Name          Default RD        Interfaces"] +
              ["%-14s%-18sFastEthernet4/0.%d" % (vrf_name(v), "100:%d" % v, v)
               for v in range(1, vrfs + 1)])
    log.command("show mpls interface")
    log.lines(mpls_interfaces())
    log.command("show mpls forwarding brief")
    log.lines(forwarding(destinations))
    log.command("show ip vrf detail")
    log.lines(vrf_detail(vrfs))
    for v in range(1, vrfs + 1):
        log.command("show ip bgp vpnv4 vrf %s next-hops" % vrf_name(v))
        log.lines(next_hops(v, routes))
        log.command("show ip route vrf %s" % vrf_name(v))
        log.lines(route_table(v, routes))
        log.command("show ip route vrf %s 10.0.0.0 detail" % vrf_name(v))
        log.lines(route_detail(v))
    log.command("exit")
    log.out.close()


def if_rows(rows):
    """rows: (ifIndex, descr, type, admin) -> walk lines of the interface table."""
    out = []
    for column, value in ((1, lambda r: "INTEGER: %d" % r[0]),
                          (2, lambda r: 'STRING: "%s"' % r[1]),
                          (3, lambda r: "INTEGER: %s" % r[2]),
                          (7, lambda r: "INTEGER: %s" % r[3])):
        out += [".1.3.6.1.2.1.2.2.1.%d.%d = %s" % (column, r[0], value(r)) for r in rows]
    return out


def address_rows(rows):
    """rows: (address, ifIndex, mask) -> walk lines of the IP address table."""
    out = [".1.3.6.1.2.1.4.20.1.1.%s = IpAddress: %s" % (a, a) for a, _, _ in rows]
    out += [".1.3.6.1.2.1.4.20.1.2.%s = INTEGER: %d" % (a, i) for a, i, _ in rows]
    out += [".1.3.6.1.2.1.4.20.1.3.%s = IpAddress: %s" % (a, m) for a, _, m in rows]
    return out


def write_walk(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def write_snmp(folder, vrfs):
    core = [(CORE_IFINDEX + k, "ip%d/0.%d" % CORE[k], "other(1)", "up(1)")
            for k in range(len(CORE))]
    core.append((GIGE_IFINDEX, "ip6/0.100", "other(1)", "up(1)"))
    cust = [(CUST_IFINDEX + v, "ip4/0.%d" % v, "other(1)", "up(1)") for v in range(1, vrfs + 1)]
    physical = [(1, "ATM2/0", "atm(37)", "up(1)"), (2, "ATM3/0", "atm(37)", "up(1)"),
                (3, "FastEthernet4/0", "ethernetCsmacd(6)", "up(1)"),
                (4, "GigabitEthernet6/0", "ethernetCsmacd(6)", "up(1)")]
    write_walk(os.path.join(folder, "snmp.walk"),
               ['.1.3.6.1.2.1.1.5.0 = STRING: "%s"' % HOST] + if_rows(physical + core + cust))
    addresses = [(core_addr(k), CORE_IFINDEX + k, "255.255.255.252") for k in range(len(CORE))]
    addresses.append(("10.6.0.1", GIGE_IFINDEX, "255.255.255.252"))
    os.makedirs(os.path.join(folder, "snmp"), exist_ok=True)
    write_walk(os.path.join(folder, "snmp", "default.walk"), if_rows(core) + address_rows(addresses))
    for v in range(1, vrfs + 1):
        row = cust[v - 1]
        write_walk(os.path.join(folder, "snmp", "default:%s.walk" % vrf_name(v)),
                   if_rows([row]) + address_rows([("172.20.%d.1" % (v & 255), row[0],
                                                   "255.255.255.0")]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("out")
    parser.add_argument("--destinations", type=int, default=100000)
    parser.add_argument("--vrfs", type=int, default=200)
    parser.add_argument("--routes", type=int, default=250, help="routes per VRF")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    write_cli(os.path.join(args.out, "cli.log"), args.destinations, args.vrfs, args.routes)
    write_snmp(args.out, args.vrfs)


if __name__ == "__main__":
    main()
