// A stand-in for the game: records the folder it was started in and its
// arguments, one a line, then exits.
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  std::ofstream out("started.txt");
  out << std::filesystem::current_path().string() << "\n";
  for (int i = 1; i < argc; ++i) out << argv[i] << "\n";
  return 0;
}
