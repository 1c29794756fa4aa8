#!/usr/bin/env python3
"""Writes the captured routers of the small test network into devices/.

    tests/network/make_devices.py

Four routers in a line, pe-a - p-b - p-c - pe-d, whose label tables chain
(pe-a 100 -> p-b 200 -> p-c 300 -> pe-d), with a label that goes nowhere, a
loop entered from pe-a, a loop nobody enters, a path that leaves the network
and one that ends with explicit null; VRFs in a full mesh (red), a hub and
spoke (blue) and two lone greens, one importing a target nobody exports.
"""
import os

# name: (links [(subinterface, address)], entries [(lsp, destination, in, out, out subif, nbr)],
#        vrfs [(name, rd, exports, imports)])
ROUTERS = {
    "pe-a": ([(1, "10.0.1.1")],
             [("to-pe-d", "4.4.4.4/32", 100, 200, 1, "10.0.1.2"),
              ("to-nowhere", "9.9.9.1/32", 101, 201, 1, "10.0.1.2"),
              ("to-loop", "9.9.9.2/32", 102, 250, 1, "10.0.1.2")],
             [("red", "100:1", ["100:1"], ["100:1"]),
              ("blue", "100:10", ["100:10"], ["100:11"]),
              ("green", "100:1", ["100:30"], ["100:30"])]),
    "p-b": ([(1, "10.0.1.2"), (2, "10.0.2.1")],
            [("to-pe-d", "4.4.4.4/32", 200, 300, 2, "10.0.2.2"),
             ("to-p-c", "3.3.3.3/32", 210, 0, 2, "10.0.2.2"),
             ("to-loop", "9.9.9.2/32", 250, 350, 2, "10.0.2.2"),
             ("ring", "9.9.9.3/32", 260, 360, 2, "10.0.2.2")],
            [("blue", "100:12", ["100:11"], ["100:10"])]),
    "p-c": ([(1, "10.0.2.2"), (2, "10.0.3.1")],
            [("to-pe-d", "4.4.4.4/32", 300, 3, 2, "10.0.3.2"),
             ("to-loop", "9.9.9.2/32", 350, 250, 1, "10.0.2.1"),
             ("ring", "9.9.9.3/32", 360, 260, 1, "10.0.2.1")],
            [("red", "100:3", ["100:1"], ["100:1"])]),
    "pe-d": ([(1, "10.0.3.2"), (2, "192.0.2.1")],
             [("to-outside", "198.51.100.0/24", 400, 500, 2, "192.0.2.9")],
             [("red", "100:4", ["100:1"], ["100:1"]),
              ("blue", "100:14", ["100:11"], ["100:10"]),
              ("green", "100:24", ["100:20"], ["100:99"])]),
}

# Each link address and the address at the other end of its link.
PEERS = {"10.0.1.1": "10.0.1.2", "10.0.1.2": "10.0.1.1", "10.0.2.1": "10.0.2.2",
         "10.0.2.2": "10.0.2.1", "10.0.3.1": "10.0.3.2", "10.0.3.2": "10.0.3.1",
         "192.0.2.1": "192.0.2.9"}
LINK_IFINDEX = 10      # + subinterface: ATM2/0.N, ifDescr ip2/0.N
CUSTOMER_IFINDEX = 30  # + VRF number: FastEthernet4/0.N, ifDescr ip4/0.N


def if_rows(rows):
    """ifIndex, ifDescr, ifType, ifAdminStatus of (ifIndex, ifDescr) rows."""
    out = []
    for column, value in ((1, lambda i, d: "INTEGER: %d" % i),
                          (2, lambda i, d: 'STRING: "%s"' % d),
                          (3, lambda i, d: "INTEGER: other(1)"),
                          (7, lambda i, d: "INTEGER: up(1)")):
        out += [".1.3.6.1.2.1.2.2.1.%d.%d = %s" % (column, i, value(i, d)) for i, d in rows]
    return out


def address_rows(rows):
    """ipAdEntAddr, ipAdEntIfIndex, ipAdEntNetMask of (address, ifIndex, mask) rows."""
    out = [".1.3.6.1.2.1.4.20.1.1.%s = IpAddress: %s" % (a, a) for a, _, _ in rows]
    out += [".1.3.6.1.2.1.4.20.1.2.%s = INTEGER: %d" % (a, i) for a, i, _ in rows]
    out += [".1.3.6.1.2.1.4.20.1.3.%s = IpAddress: %s" % (a, m) for a, _, m in rows]
    return out


def write(path, lines):
    with open(path, "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


def cli_log(host, number, links, entries, vrfs):
    log = ["%s>enable" % host, "Password:", "%s#show virtual-router" % host,
           "Virtual Router   Router ID        Type",
           "--------------   ---------        ----",
           "default          10.255.0.%-7d default" % number,
           "%s#show ip vrf" % host, "Name          Default RD        Interfaces"]
    log += ["%-14s%-18sFastEthernet4/0.%d" % (v[0], v[1], n + 1) for n, v in enumerate(vrfs)]
    log.append("%s#show mpls interface" % host)
    for sub, address in links:
        log += ["Interface ATM2/0.%d  Up" % sub, "  MPLS enabled, label space platform",
                "  Signaling protocols: LDP", "  IP interfaces on this MPLS interface:",
                "    %s/30" % address]
    log += ["%s#show mpls forwarding brief" % host,
            "LSP Name        Destination        Labels",
            "--------------  -----------------  ----------------------------------------"]
    for lsp, destination, label_in, label_out, out_sub, nbr in entries:
        log += ["%-16s%-19sIn %d on ATM2/0.%d" % (lsp, destination, label_in, links[0][0]),
                "%35sOut %d on ATM2/0.%d nbr %s" % ("", label_out, out_sub, nbr)]
    log.append("%s#show ip vrf detail" % host)
    for n, (name, rd, exports, imports) in enumerate(vrfs):
        if n:
            log.append("")
        log += ["VRF %s; default RD %s" % (name, rd), "  Description: customer %s" % name,
                "  Interfaces:", "    FastEthernet4/0.%d" % (n + 1),
                "  Export VPN route-target communities",
                "    " + "  ".join("RT:" + t for t in exports),
                "  Import VPN route-target communities",
                "    " + "  ".join("RT:" + t for t in imports)]
    # One labelled route per VRF, towards the first link's far end.
    link, near = links[0]
    far = PEERS[near]
    for n, (name, _, _, _) in enumerate(vrfs):
        log += ["%s#show ip bgp vpnv4 vrf %s next-hops" % (host, name),
                "Indirect next-hop 4.4.4.%d" % number, "  MPLS stacked label %d" % (1000 + n),
                "  Reachable (metric 2)", "  Direct next-hop ATM2/0.%d (%s)" % (link, far),
                "  Reference count is 1",
                "%s#show ip route vrf %s" % (host, name),
                "Prefix/Length       Type    Next Hop        Dist/Met   Intf",
                "------------------  ------  --------------  ---------  ---------------",
                "%-20sBgp     %-16s200/0      ATM2/0.%d" % ("10.%d.%d.0/24" % (number, n + 1),
                                                            "4.4.4.%d" % number, link)]
    log.append("%s#exit" % host)
    return log


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "devices")
    for number, (host, (links, entries, vrfs)) in enumerate(sorted(ROUTERS.items()), 1):
        folder = os.path.join(here, host)
        os.makedirs(os.path.join(folder, "snmp"), exist_ok=True)
        write(os.path.join(folder, "cli.log"), cli_log(host, number, links, entries, vrfs))
        link_ifs = [(LINK_IFINDEX + sub, "ip2/0.%d" % sub) for sub, _ in links]
        vrf_ifs = [(CUSTOMER_IFINDEX + n + 1, "ip4/0.%d" % (n + 1)) for n in range(len(vrfs))]
        write(os.path.join(folder, "snmp.walk"),
              ['.1.3.6.1.2.1.1.1.0 = STRING: "Unisphere ERX edge router %s"' % host,
               '.1.3.6.1.2.1.1.5.0 = STRING: "%s"' % host] +
              if_rows([(1, "ATM2/0"), (2, "FastEthernet4/0")] + link_ifs + vrf_ifs))
        write(os.path.join(folder, "snmp", "default.walk"),
              if_rows(link_ifs) + address_rows(
                  [(a, LINK_IFINDEX + sub, "255.255.255.252") for sub, a in links]))
        for n, (name, _, _, _) in enumerate(vrfs):
            write(os.path.join(folder, "snmp", "default:%s.walk" % name),
                  if_rows([vrf_ifs[n]]) +
                  address_rows([("172.16.%d.%d" % (n + 1, number), vrf_ifs[n][0],
                                 "255.255.255.0")]))
    with open(os.path.join(here, "network.yaml"), "w") as f:
        f.write("devices:\n")
        for host in sorted(ROUTERS):
            f.write("  - name: %s\n    capture: %s\n" % (host, host))


if __name__ == "__main__":
    main()
