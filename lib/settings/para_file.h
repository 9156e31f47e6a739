// The Para file: die-count dependent parameters, one section "PARA_<dies>" per die count.
#pragma once

#include <cstdint>

struct AP_ParaSet_t;

// Results of ReadParaIni.
inline constexpr int kParaOk = 1;           // the section of the current die count was read
inline constexpr int kParaNoSection = 16;   // the file has no section for the current die count
inline constexpr int kParaNoPath = 17;      // empty path: nothing read, the record untouched
inline constexpr int kParaLoadFailed = 18;  // the file could not be opened

// Reads the section "PARA_<AP_INIState.bDieNumCount>" of the Para file `path` into `record`.
// Except for kParaNoPath, every field is read, so a missing file or section gives every default.
int ReadParaIni(const char* path, AP_ParaSet_t& record);
