// Command-line arguments of ferrolin-cli: the option table and the parsed form of one call.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// Bad usage: the message goes to stderr and the exit status is 2.
class ECliUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TCliOption {
  const char* Name;   // without the leading dashes
  const char* Value;  // the kind of value the help names (DIR, FILE, TEXT, ...); null for a flag
  bool Repeatable;
  const char* Help;
  bool TakesValue() const { return Value != nullptr; }
};

// Every option the program knows, in the order the usage text lists them.
const std::vector<TCliOption>& CliOptions();

struct TCliArgs {
  std::string Action;
  std::map<std::string, std::vector<std::string>> Values;  // option -> values (flags get "")

  bool Has(const std::string& Name) const { return Values.count(Name) != 0; }
  // The single value of an option, or Default when it is absent.
  std::string Get(const std::string& Name, const std::string& Default = "") const;
  const std::vector<std::string>& All(const std::string& Name) const;
};

// Parses argv[1..]; throws ECliUsage on an unknown option, a missing value or a repeated
// single-value option. "--help" anywhere gives Action "help", else "--version" gives "version".
TCliArgs ParseCliArgs(const std::vector<std::string>& Args);

// Throws ECliUsage when an option is given that the action does not take.
void CheckCliOptions(const TCliArgs& Args, const std::vector<std::string>& Allowed);

std::string CliUsage();
// "ferrolin-cli VERSION" and a line break.
std::string CliVersion();
