#pragma once
// The subcommands of corvath-cli. Each returns the process exit status:
// 0 success, 1 input that cannot be read or gives no result, 2 usage error.
#include <string>
#include <vector>

namespace corvath::cli {

int RunDump(const std::vector<std::string>& args);
int RunSpectra(const std::vector<std::string>& args);
int RunForward(const std::vector<std::string>& args);
int RunDispersion(const std::vector<std::string>& args);
int RunInvert(const std::vector<std::string>& args);
int RunHv(const std::vector<std::string>& args);
int RunSurvey(const std::vector<std::string>& args);

}  // namespace corvath::cli
