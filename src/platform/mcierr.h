// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound device's error numbers: what its commands answer, and what the
// WAV file reader and the error table speak of too. 296 and 326 are the two
// the callers act on: 296 starts the template recovery, 326 leaves the
// device open.
namespace MciErr {
constexpr int BadKeyword = 259;      // a command word or parameter this device does not take
constexpr int UnknownCommand = 261;  // no such command
constexpr int DeviceLost = 262;      // the input stopped delivering sound
constexpr int DeviceNotOpen = 263;   // no device open under that name
constexpr int OutOfMemory = 264;     // the recording outgrew its limit
constexpr int AnotherDeviceOpen = 265;  // only one device at a time
constexpr int FileNotFound = 275;
constexpr int OutOfRange = 282;      // a time that is negative, reversed or too long
constexpr int NotSaved = 286;        // the recording could not be written
constexpr int AliasInUse = 289;
constexpr int InvalidFile = 296;     // not a readable PCM WAV file
constexpr int NoSuitableInput = 326; // no input takes the file's rate, channels and 16 bits
constexpr int InputUnavailable = 327; // no input to record from (no sound server, or it has none)
constexpr int InputNotFound = 328;   // the input named by SIGM_INPUT does not exist
}  // namespace MciErr
