// eml2msg's entry on Linux: the arguments are the file system's bytes.
#include <string>
#include <vector>

#include "eml2msg/program.h"

int main(int argc, char** argv) { return mailvane::cli::RunProgram(std::vector<std::string>(argv + 1, argv + argc)); }
