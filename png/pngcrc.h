// The CRC-32 of PNG chunks, table-driven. The table is computed the first
// time a CRC is taken and kept for the life of the process.
#pragma once

#include <cstddef>
#include <cstdint>

// Starting register value; the final value is the register XOR 0xFFFFFFFF.
inline constexpr std::uint32_t kChunkCrcStart = 0xFFFFFFFFu;

// The register after `bytes`: one table step per byte, register <-
// table[(register ^ byte) & 255] ^ (register >> 8), or where libdeflate is
// linked in and more than a few bytes come, its CRC-32, which gives the same
// register many bytes a step.
std::uint32_t UpdateChunkCrc(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count);

// Entry n of the 256-entry table (computing the table if needed).
std::uint32_t ChunkCrcTableEntry(std::uint8_t n);

// Forgets the table so that the next CRC computes it again (unit start).
void ClearChunkCrcTable();
