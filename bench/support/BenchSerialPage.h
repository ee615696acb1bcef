#pragma once

// The serial page as the benches drive it: shown at one size, listing no
// real port (its tty class folder is the bench's own), opened on a pty.
//   auto page = bench::ShownSerialPage(context, workDir.path());
//   if (!bench::OpenSerialPage(*page, pty.slave)) return 2;

#include <filesystem>
#include <memory>
#include <string>

#include "base/PageContext.h"
#include "serial/ComDlg.h"

namespace bench {

std::unique_ptr<viz::CComDlg> ShownSerialPage(viz::PageContext& context,
                                              const std::filesystem::path& ttyClassRoot);

// Types `path` as the port (and `baud` when not empty) and opens it; says on
// standard error when it cannot.
bool OpenSerialPage(viz::CComDlg& page, const std::string& path, const char* baud = "");

}  // namespace bench
