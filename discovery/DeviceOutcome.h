// How far one device got: discovery ran (what answered is in the report's
// health), it could not start (bad options or secrets, an unreadable capture,
// no module, a capture that cannot be saved), or the router could not be
// reached or trusted. The programs map it to their exit status.
#ifndef DISCOVERY_DEVICEOUTCOME_H_
#define DISCOVERY_DEVICEOUTCOME_H_

enum class DeviceOutcome { kDiscovered, kCannotStart, kUnreachable };

#endif  // DISCOVERY_DEVICEOUTCOME_H_
