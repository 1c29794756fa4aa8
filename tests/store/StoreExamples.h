// What the store tests share: the reports of the shipped
// devices, and SQL run straight on a store file.
#ifndef TESTS_STORE_STOREEXAMPLES_H_
#define TESTS_STORE_STOREEXAMPLES_H_

#include <functional>
#include <string>
#include <vector>

#include "report/ReportModel.h"
#include "store/ResultsStore.h"
#include "tests/support/TempFolder.h"

// The report of devices/NAME, as erx-discover finds it.
report::Report ShippedReport(const std::string& name);

// A finished device of a run, its outcome taken from the report.
store::DeviceOutcome Ok(const report::Report& found);

// Rows of `sql` on the store at `path`, each as its columns' text ("NULL" for NULL).
using Rows = std::vector<std::vector<std::string>>;
Rows Query(const std::string& path, const std::string& sql);
// Runs `sql` on the store at `path` outside the store's own code (set-up of odd files).
void Execute(const std::string& path, const std::string& sql);

std::string ReadBytes(const std::string& path);

// Runs `work` in a child process that read-only files and folders hold back:
// as nobody when the tests run as root (whom nothing holds back), else as the
// tests' user. What `work` returned.
std::string Unprivileged(const std::function<std::string()>& work);

#endif  // TESTS_STORE_STOREEXAMPLES_H_
