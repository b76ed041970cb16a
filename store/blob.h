#pragma once
// The packed asset blob of the program that links a library made by vorru_add_blob()
// (cmake/VorruBlob.cmake). Exactly one such library per executable.

extern "C" {
// First byte of the blob; aligned to 16 bytes.
extern const unsigned char vorru_blob[];
// Total size of the blob in bytes, the value to pass to fs_init.
extern const unsigned int vorru_blob_size;
}
