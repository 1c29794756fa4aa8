-- A results store as the erx-discover of schema 1 left it (sqlite3 .dump):
-- one run of the two shipped devices, pe2-erx without label entries.
PRAGMA foreign_keys=OFF;
BEGIN TRANSACTION;
CREATE TABLE runs (
  id          INTEGER PRIMARY KEY,
  started_at  TEXT NOT NULL,        -- UTC, 'YYYY-MM-DD HH:MM:SS'
  finished_at TEXT,                 -- NULL while running or when the run was cut off
  inventory   TEXT NOT NULL
);
INSERT INTO runs VALUES(1,'2024-05-01 02:00:03','2024-05-01 02:00:09','fleet.yaml');
CREATE TABLE devices (
  id      INTEGER PRIMARY KEY,
  run_id  INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  name    TEXT NOT NULL,
  source  TEXT NOT NULL,            -- host of a live router or capture folder
  status  TEXT NOT NULL,            -- ok, failed, timeout, crashed
  problem TEXT,                     -- NULL when ok
  seconds REAL NOT NULL,
  agent   TEXT,                     -- NULL when there is no report
  UNIQUE (run_id, name)
);
INSERT INTO devices VALUES(1,1,'pe2-erx','devices/pe2-erx-later-release','ok',NULL,0.5,'Discovery Agent for Unisphere ERX MPLS information using Telnet');
INSERT INTO devices VALUES(2,1,'pe1-erx','devices/pe1-erx','ok',NULL,0.5,'Discovery Agent for Unisphere ERX MPLS information using Telnet');
CREATE TABLE virtual_routers (
  id        INTEGER PRIMARY KEY,
  device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  name      TEXT
);
INSERT INTO virtual_routers VALUES(1,1,'default');
INSERT INTO virtual_routers VALUES(2,2,'default');
INSERT INTO virtual_routers VALUES(3,2,'vr2');
CREATE TABLE virtual_router_vrfs (
  virtual_router_id INTEGER NOT NULL REFERENCES virtual_routers(id) ON DELETE CASCADE,
  name              TEXT NOT NULL
);
INSERT INTO virtual_router_vrfs VALUES(1,'red');
INSERT INTO virtual_router_vrfs VALUES(2,'red');
INSERT INTO virtual_router_vrfs VALUES(2,'blue');
INSERT INTO virtual_router_vrfs VALUES(3,'green');
INSERT INTO virtual_router_vrfs VALUES(3,'lab');
CREATE TABLE label_entries (
  id             INTEGER PRIMARY KEY,
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  virtual_router TEXT,
  lsp_name       TEXT,
  in_label       TEXT,
  out_label      TEXT,
  out_if_index   INTEGER,
  out_interface  TEXT,
  next_hop       TEXT
);
INSERT INTO label_entries VALUES(1,2,'default','to-pe2','17','20',12,'ATM3/0.2','10.1.3.2');
INSERT INTO label_entries VALUES(2,2,'default','to-pe2','18','21',12,'ATM3/0.2','10.1.3.2');
INSERT INTO label_entries VALUES(3,2,'default','to-pe3','22','23',14,'GigabitEthernet6/0.100','10.1.5.2');
INSERT INTO label_entries VALUES(4,2,'default','to-pe5','26','31',20,'mpls:1','10.9.9.9');
INSERT INTO label_entries VALUES(5,2,'vr2','vr2-to-pe3','40','41',50,'ATM7/0.1','10.12.1.2');
CREATE TABLE label_entry_in_interfaces (
  label_entry_id INTEGER NOT NULL REFERENCES label_entries(id) ON DELETE CASCADE,
  position       INTEGER NOT NULL,
  if_index       INTEGER,
  interface      TEXT,
  PRIMARY KEY (label_entry_id, position)
) WITHOUT ROWID;
INSERT INTO label_entry_in_interfaces VALUES(1,0,10,'ATM2/0.1');
INSERT INTO label_entry_in_interfaces VALUES(2,0,10,'ATM2/0.1');
INSERT INTO label_entry_in_interfaces VALUES(3,0,11,'ATM2/0.2');
INSERT INTO label_entry_in_interfaces VALUES(3,1,13,NULL);
INSERT INTO label_entry_in_interfaces VALUES(4,0,11,'ATM2/0.2');
INSERT INTO label_entry_in_interfaces VALUES(5,0,51,'ATM7/0.2');
CREATE TABLE vrfs (
  id                  INTEGER PRIMARY KEY,
  device_id           INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  virtual_router      TEXT,
  name                TEXT,
  route_distinguisher TEXT
);
INSERT INTO vrfs VALUES(1,1,'default','red','100:1');
INSERT INTO vrfs VALUES(2,2,'default','red','100:1');
INSERT INTO vrfs VALUES(3,2,'default','blue','100:2');
INSERT INTO vrfs VALUES(4,2,'vr2','green','200:1');
INSERT INTO vrfs VALUES(5,2,'vr2','lab','');
CREATE TABLE vrf_route_targets (
  vrf_id       INTEGER NOT NULL REFERENCES vrfs(id) ON DELETE CASCADE,
  direction    TEXT NOT NULL CHECK (direction IN ('import', 'export')),
  route_target TEXT NOT NULL
);
INSERT INTO vrf_route_targets VALUES(1,'import','100:1');
INSERT INTO vrf_route_targets VALUES(1,'export','100:1');
INSERT INTO vrf_route_targets VALUES(2,'import','100:1');
INSERT INTO vrf_route_targets VALUES(2,'import','100:2');
INSERT INTO vrf_route_targets VALUES(2,'export','100:1');
INSERT INTO vrf_route_targets VALUES(3,'import','100:2');
INSERT INTO vrf_route_targets VALUES(3,'export','100:2');
INSERT INTO vrf_route_targets VALUES(4,'import','200:1');
INSERT INTO vrf_route_targets VALUES(4,'export','200:1');
CREATE TABLE vrf_interfaces (
  vrf_id   INTEGER NOT NULL REFERENCES vrfs(id) ON DELETE CASCADE,
  if_index INTEGER NOT NULL
);
INSERT INTO vrf_interfaces VALUES(1,30);
INSERT INTO vrf_interfaces VALUES(2,30);
INSERT INTO vrf_interfaces VALUES(2,31);
INSERT INTO vrf_interfaces VALUES(3,32);
INSERT INTO vrf_interfaces VALUES(4,52);
CREATE TABLE impositions (
  vrf_id      INTEGER NOT NULL REFERENCES vrfs(id) ON DELETE CASCADE,
  label       TEXT,
  destination TEXT,
  if_index    INTEGER,
  interface   TEXT,
  next_hop    TEXT
);
INSERT INTO impositions VALUES(1,'201','10.50.0.0/16',10,'ATM2/0.1','1.1.1.1');
INSERT INTO impositions VALUES(2,'101','10.5.0.0/16',10,'ATM2/0.1','2.2.2.2');
INSERT INTO impositions VALUES(2,'102','10.6.0.0/16',12,'ATM3/0.2','3.3.3.3');
INSERT INTO impositions VALUES(2,'103','10.7.0.0/16',14,'GigabitEthernet6/0.100','4.4.4.4');
INSERT INTO impositions VALUES(2,'104','10.8.0.0/16',15,'ATM2/0.12','5.5.5.5');
INSERT INTO impositions VALUES(4,'130','192.168.30.0/24',50,'ATM7/0.1','10.13.3.3');
CREATE TABLE interfaces (
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  if_index       INTEGER NOT NULL,
  if_descr       TEXT,
  virtual_router TEXT,
  vrf            TEXT
);
INSERT INTO interfaces VALUES(1,1,'ATM2/0',NULL,NULL);
INSERT INTO interfaces VALUES(1,10,'ip2/0.1','default',NULL);
INSERT INTO interfaces VALUES(1,30,'ip2/0.10','default','red');
INSERT INTO interfaces VALUES(2,1,'ATM2/0',NULL,NULL);
INSERT INTO interfaces VALUES(2,2,'ATM3/0',NULL,NULL);
INSERT INTO interfaces VALUES(2,3,'FastEthernet4/0',NULL,NULL);
INSERT INTO interfaces VALUES(2,4,'GigabitEthernet6/0',NULL,NULL);
INSERT INTO interfaces VALUES(2,5,'ATM7/0',NULL,NULL);
INSERT INTO interfaces VALUES(2,10,'ip2/0.1','default',NULL);
INSERT INTO interfaces VALUES(2,11,'ip2/0.2','default',NULL);
INSERT INTO interfaces VALUES(2,12,'ip3/0.2','default',NULL);
INSERT INTO interfaces VALUES(2,13,'ip3/0.3','default',NULL);
INSERT INTO interfaces VALUES(2,14,'ip6/0.100','default',NULL);
INSERT INTO interfaces VALUES(2,15,'ip2/0.12','default',NULL);
INSERT INTO interfaces VALUES(2,16,'ip2/0.13','default',NULL);
INSERT INTO interfaces VALUES(2,17,'ip2/0.14','default',NULL);
INSERT INTO interfaces VALUES(2,20,'mpls:1','default',NULL);
INSERT INTO interfaces VALUES(2,21,'mpls:2','default',NULL);
INSERT INTO interfaces VALUES(2,30,'ip2/0.10','default','red');
INSERT INTO interfaces VALUES(2,31,'ip2/0.11','default','red');
INSERT INTO interfaces VALUES(2,32,'ip4/0.20','default','blue');
INSERT INTO interfaces VALUES(2,50,'ip7/0.1','vr2',NULL);
INSERT INTO interfaces VALUES(2,51,'ip7/0.2','vr2',NULL);
INSERT INTO interfaces VALUES(2,52,'ip7/0.30','vr2','green');
CREATE TABLE ip_addresses (
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  virtual_router TEXT NOT NULL,
  address        TEXT NOT NULL,
  if_index       INTEGER
);
INSERT INTO ip_addresses VALUES(1,'default','10.2.1.1',10);
INSERT INTO ip_addresses VALUES(2,'default','10.1.1.1',10);
INSERT INTO ip_addresses VALUES(2,'default','10.1.2.1',11);
INSERT INTO ip_addresses VALUES(2,'default','10.1.3.1',12);
INSERT INTO ip_addresses VALUES(2,'default','10.1.4.1',13);
INSERT INTO ip_addresses VALUES(2,'default','10.1.5.1',14);
INSERT INTO ip_addresses VALUES(2,'default','10.1.6.1',15);
INSERT INTO ip_addresses VALUES(2,'default','10.1.7.1',16);
INSERT INTO ip_addresses VALUES(2,'default','10.1.8.1',17);
INSERT INTO ip_addresses VALUES(2,'vr2','10.12.1.1',50);
INSERT INTO ip_addresses VALUES(2,'vr2','10.12.2.1',51);
CREATE TABLE errors (
  device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  code      INTEGER NOT NULL,
  source    TEXT NOT NULL,
  line      INTEGER NOT NULL,
  text      TEXT
);
CREATE TABLE warnings (
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  text           TEXT NOT NULL,
  virtual_router TEXT,
  vrf            TEXT
);
INSERT INTO warnings VALUES(1,'::ObtainLabelData() failed to match expected telnet response (no mpls fwding data?)!','default',NULL);
INSERT INTO warnings VALUES(1,'::ObtainVRFData() failed to add data because label for ''172.16.50.1.ip2/0.10'' could not be found','default','red');
INSERT INTO warnings VALUES(2,'::ObtainLabelData() failed to add label data because ifIndex for ''mpls:2'' could not be found','default',NULL);
INSERT INTO warnings VALUES(2,'::FindVrfIfIndex() failed to find ifIndex because the description consistancy check has failed!','default','red');
INSERT INTO warnings VALUES(2,'::ObtainVRFData() failed to add label data because ifIndex for ''ATM2/0.13'' could not be found','default','red');
INSERT INTO warnings VALUES(2,'::ObtainVRFData() failed to add data because label for ''172.16.10.1.ip2/0.10'' could not be found','default','red');
INSERT INTO warnings VALUES(2,'::ObtainVRFData() failed to add data because label for ''172.16.11.1.ip2/0.11'' could not be found','default','red');
INSERT INTO warnings VALUES(2,'::GetLabels() failed to match expected telnet response (no vrf data?)!','default','blue');
INSERT INTO warnings VALUES(2,'::ObtainVRFData() no label information for blue found!!','default','blue');
INSERT INTO warnings VALUES(2,'::ObtainVRFData() failed to add data because label for ''172.16.30.1.ip7/0.30'' could not be found','vr2','green');
INSERT INTO warnings VALUES(2,'::GetLabels() failed to match expected telnet response (no vrf data?)!','vr2','lab');
INSERT INTO warnings VALUES(2,'::ObtainVRFData() no label information for lab found!!','vr2','lab');
CREATE INDEX vrfs_by_name ON vrfs(name);
CREATE INDEX label_entries_by_out_interface ON label_entries(out_interface);
CREATE INDEX route_targets_by_value ON vrf_route_targets(route_target, direction);
CREATE INDEX virtual_routers_by_device ON virtual_routers(device_id);
CREATE INDEX virtual_router_vrfs_by_router ON virtual_router_vrfs(virtual_router_id);
CREATE INDEX label_entries_by_device ON label_entries(device_id);
CREATE INDEX vrfs_by_device ON vrfs(device_id);
CREATE INDEX route_targets_by_vrf ON vrf_route_targets(vrf_id);
CREATE INDEX vrf_interfaces_by_vrf ON vrf_interfaces(vrf_id);
CREATE INDEX impositions_by_vrf ON impositions(vrf_id);
CREATE INDEX interfaces_by_device ON interfaces(device_id);
CREATE INDEX ip_addresses_by_device ON ip_addresses(device_id);
CREATE INDEX errors_by_device ON errors(device_id);
CREATE INDEX warnings_by_device ON warnings(device_id);
PRAGMA application_id = 1163019347;
PRAGMA user_version = 1;
COMMIT;
