// quillmar: the reader's command-line tool for scripted work on collections.

#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/session.h"
#include "platform/stderr_prompts.h"

namespace {

using namespace quillmar::cli;

// The command a command line that could not be parsed names, for the hint to its help: the
// first argument that is a command's name.
const Command* GuessCommand(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (const Command* command = FindCommand(argument)) return command;
  }
  return nullptr;
}

// Runs the command line; usage errors are thrown, with `command` set once it is known.
int Run(const std::vector<std::string>& arguments, const std::string& argv0,
        const Command*& command) {
  command = GuessCommand(arguments);
  const Arguments args = Arguments::Parse(arguments);
  command = nullptr;
  if (args.command.empty() || args.command == "help") {
    if (args.command == "help" && !args.positional.empty()) {
      command = FindCommand(args.positional.front());
      if (!command) throw UsageError("unknown command '" + args.positional.front() + "'");
      std::cout << CommandHelp(*command);
      return 0;
    }
    if (args.help || args.command == "help") {
      std::cout << Overview();
      return 0;
    }
    if (args.version) {
      std::cout << VersionLine();
      return 0;
    }
    throw UsageError("no command given");
  }
  command = FindCommand(args.command);
  if (!command) throw UsageError("unknown command '" + args.command + "'");
  if (args.help) {
    std::cout << CommandHelp(*command);
    return 0;
  }
  if (args.version) {
    std::cout << VersionLine();
    return 0;
  }
  CheckOptions(*command, args);
  return command->run(args, Io{argv0, std::cout, std::cerr});
}

}  // namespace

int main(int argc, char** argv) {
  const Utf8Console console;
  const std::string argv0 = argc > 0 ? argv[0] : "quillmar";
  const Command* command = nullptr;
  int status = 0;
  try {
    status = Run(Utf8Arguments(argc, argv), argv0, command);
  } catch (const UsageError& e) {
    std::cerr << "quillmar: " << e.what() << "; see 'quillmar"
              << (command ? std::string(" ") + command->name : std::string()) << " --help'\n";
    return 2;
  } catch (const Interrupted&) {
    return 130;
  } catch (const AlreadyReported&) {
    return 1;
  } catch (const std::exception& e) {
    std::cerr << quillmar::PrefixedLines(e.what());
    return 1;
  }
  // Output that could not be written (a full disk, a closed pipe) is a failure, not a success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << quillmar::PrefixedLines("cannot write the output");
    return 1;
  }
  return status;
}
