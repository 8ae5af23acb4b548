// Starting other programs (sibling programs the user asked for) and collecting them when they
// end. A started program runs on its own: the caller never waits for it, but every child that
// has ended is reaped, so none lingers as a zombie for the rest of the run.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tlv {

// Starts argv[0] with the arguments as given (no shell reads them, so blanks and quotes in them
// need no quoting) in workingFolder; this process's own folder is left as it is. The child runs
// in a session of its own with default signal handling. 0 started (pid receives its ID), else
// the errno of the failure.
int32_t StartDetachedProcess(const std::vector<std::string>& argv, const std::string& workingFolder,
                             pid_t& pid);

// Collects every child started above that has ended. Cheap; called now and then.
void ReapEndedProcesses();
// How many children started above have not been collected yet.
size_t UnreapedProcessCount();

// The full path of the running program's executable; empty when the system does not say.
std::string ExecutablePath();

}  // namespace tlv
