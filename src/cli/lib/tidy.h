#pragma once
// kivo-tidy: the rename, EXIF date and gathering jobs from the command line, through the
// very classes behind the dialogs. Each Run* takes the arguments after the command name
// and returns the exit status: 0 every row succeeded or had nothing to do, 1 a row failed,
// 2 bad usage. Results go to `out`, errors to `err`.

#include <ostream>
#include <string>
#include <vector>

namespace kivo::tidy {

// args: everything after the program name ("rename", "--dry-run", "a.jpg", ...).
int RunTidy(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunRename(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunSetTime(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunExifDate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunGather(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunHistory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunUndo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunResume(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kivo::tidy
