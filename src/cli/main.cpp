#include <iostream>
#include <string>
#include <vector>

#include "cli/kestrixc.h"
#include "util/atomic_file.h"

int main(int argc, char** argv) {
  kx::Remove_Temporary_Files_On_Signals();
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return kx::Run_Kestrixc(args, kx::Program_Directory(argc > 0 ? argv[0] : nullptr), std::cout, std::cerr);
}
