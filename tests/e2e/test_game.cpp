// A stand-in for the game: records the folder it was started in, then exits.
#include <filesystem>
#include <fstream>

int main() {
  std::ofstream("started.txt") << std::filesystem::current_path().string() << "\n";
  return 0;
}
