// What the store tests share: the reports of the shipped devices, reports
// built in code, runs stored whole, and SQL run straight on a store file.
#ifndef TESTS_STORE_STOREEXAMPLES_H_
#define TESTS_STORE_STOREEXAMPLES_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "report/ReportModel.h"
#include "store/ResultsStore.h"
#include "tests/support/SqliteRows.h"
#include "tests/support/TempFolder.h"

// The report of devices/NAME, as erx-discover finds it.
report::Report ShippedReport(const std::string& name);

// A device of `entries` label entries (each with in-interface lists, the
// module's kind), one interface, VRF red and a warning, built in code.
report::Report Router(const std::string& name, int entries);

// A finished device of a run, its outcome taken from the report.
store::DeviceOutcome Ok(const report::Report& found);

// One run into the store at `where` (a file or postgresql://): each of
// `devices` ok with its report, then each of `failed` without one; cut off
// (never finished) when `finish` is false. The run's id.
int64_t StoreRun(const std::string& where, const std::vector<report::Report>& devices,
                 const std::vector<store::DeviceOutcome>& failed = {}, bool finish = true);

// Runs `sql` on the store at `path` outside the store's own code (set-up of odd files).
void Execute(const std::string& path, const std::string& sql);

std::string ReadBytes(const std::string& path);

// Runs `work` in a child process that read-only files and folders hold back:
// as nobody when the tests run as root (whom nothing holds back), else as the
// tests' user. What `work` returned.
std::string Unprivileged(const std::function<std::string()>& work);

#endif  // TESTS_STORE_STOREEXAMPLES_H_
