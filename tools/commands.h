// The commands of the korvelgraph host program. Each takes the arguments
// after its own name, reports errors on stderr and returns the exit code.
#ifndef KORVELGRAPHLINE_TOOLS_COMMANDS_H_
#define KORVELGRAPHLINE_TOOLS_COMMANDS_H_

namespace korvelgraph {

struct Command {
  const char* name;
  const char* usage;    // the arguments, for --help
  const char* summary;  // one line, for --help
  int (*run)(int argc, char** argv);
};

int RunBar(int argc, char** argv);
int RunLine(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunConvert(int argc, char** argv);

// Prints "korvelgraph: message" to stderr and returns the failure code 1.
int Fail(const char* format, ...);

}  // namespace korvelgraph

#endif  // KORVELGRAPHLINE_TOOLS_COMMANDS_H_
