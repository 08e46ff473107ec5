// The most memory the code under test holds at once through operator new: the image tests
// replace the global operator new and delete to count the bytes of every block, so that a
// test can tell a decoder that keeps a buffer per sample or per table from one that keeps
// what the picture needs.
#pragma once

#include <cstdint>

class AllocationMeter {
 public:
  // Starts measuring from the bytes held now.
  AllocationMeter();
  // The most bytes held at once since the start, beyond those held at the start.
  uint64_t PeakBytes() const;

 private:
  uint64_t m_start;
};
