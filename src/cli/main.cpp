#include <iostream>
#include <string>
#include <vector>

#include "cli/kestrixc.h"
#include "util/atomic_file.h"
#include "util/platform.h"
#include "vmobject/companion_files.h"

int main(int argc, char** argv) {
  kx::Remove_Temporary_Files_On_Signals();
  kx::platform::Set_Up_Standard_Streams();
  const std::vector<std::string> args = kx::platform::Arguments(argc, argv);
  return kx::Run_Kestrixc(args, kx::Program_Directory(argc > 0 ? argv[0] : nullptr), std::cin, std::cout,
                          std::cerr);
}
