// Small helpers shared by the subsystems: ASCII case, trimming, paths, whole-file I/O.
#pragma once

#include <stdexcept>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A file error of the framework kind (file-list files, results files, term files): the message
// names the file and the system's reason.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline char UpCaseAscii(char C) {
  return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C;
}
std::string UpperCaseAscii(std::string_view S);
bool SameTextAscii(std::string_view A, std::string_view B);
// N and the word that goes with it: "1 file was saved", "3 files were saved".
std::string Counted(int64_t N, std::string_view One, std::string_view Many);
// The order "without regard to letter case" of sorted lists and paths: ASCII letters folded to
// upper case, ties broken by plain byte order so that the order is total.
bool TextLessAscii(std::string_view A, std::string_view B);

// Removes blanks and control characters (bytes up to 32) from both ends.
std::string TrimText(std::string_view S);

// The name after the last "/", and the directory part up to and including it.
std::string ExtractFileName(const std::string& Path);
std::string ExtractFilePath(const std::string& Path);

// The system's text for errno E.
std::string SystemErrorText(int E);

// Reads a whole file as bytes; throws EFileError.
std::string ReadWholeFile(const std::string& FileName);
// Writes all of Data to Fd, going on after interruptions; false with errno set on a failure.
bool WriteAll(int Fd, std::string_view Data);

// Cuts text into lines at CR LF, CR and LF; stops at the first NUL. Text after the last break is
// a line when it is not empty.
std::vector<std::string> SplitTextLines(std::string_view Text);

// Every line followed by Eol.
std::string JoinLines(const std::vector<std::string>& Lines, std::string_view Eol);

// Writes every line followed by CR LF, creating or truncating the file; throws EFileError.
void WriteLinesCRLF(const std::string& FileName, const std::vector<std::string>& Lines);
