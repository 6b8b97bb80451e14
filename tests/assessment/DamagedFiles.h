#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Damaged copies of a file made of parts (a count first, then its records), as the damage
// tables use them: each part lost, each part doubled, the file cut at every byte, and bits
// changed: every bit of the count and two bits (in turn) of every other byte, but none of the
// bytes marked as text that damage cannot be told in.
struct DamagedCopy {
  std::string kind;
  std::string bytes;
};

inline std::vector<DamagedCopy> damagedCopies(const std::vector<std::string>& parts,
                                              const std::vector<bool>& untold)
{
  std::string whole;
  for (const std::string& part : parts)
    whole += part;
  std::vector<DamagedCopy> copies;
  std::size_t at = 0;
  for (const std::string& part : parts) {
    copies.push_back({"part lost", whole.substr(0, at) + whole.substr(at + part.size())});
    copies.push_back({"part doubled", whole.substr(0, at + part.size()) + whole.substr(at)});
    at += part.size();
  }
  for (std::size_t cut = 0; cut < whole.size(); ++cut)
    copies.push_back({"cut", whole.substr(0, cut)});
  const std::size_t countSize = parts.empty() ? 0 : parts.front().size();
  for (std::size_t byte = 0; byte < whole.size(); ++byte) {
    for (std::size_t bit = 0; bit < 8; ++bit) {
      if (untold[byte] || (byte >= countSize && bit != byte % 8 && bit != (byte + 3) % 8))
        continue;
      std::string flipped = whole;
      flipped[byte] = static_cast<char>(flipped[byte] ^ (1 << bit));
      copies.push_back({"bit changed", flipped});
    }
  }
  return copies;
}
