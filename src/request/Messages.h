#pragma once
// Message box captions and the messages of a malformed setting, exactly as the user sees them;
// the command line prints the same messages. A malformed order has its scheme's own message in
// the scheme catalog.

#include <string_view>

namespace quorvel::message {

inline constexpr std::string_view InputErrorCaption = "Input Error";
inline constexpr std::string_view ErrorCaption = "Error";
inline constexpr std::string_view GenerationFailed = "Signal generation failed.";
inline constexpr std::string_view InvalidSymbolRate = "Invalid Symbol Rate.";
inline constexpr std::string_view InvalidSamplingRate = "Invalid Sampling Rate.";
inline constexpr std::string_view InvalidSymbolCount = "Invalid Number of Symbols.";
inline constexpr std::string_view InvalidSnr = "Invalid SNR.";
inline constexpr std::string_view InvalidMixingFrequency = "Invalid Mixing Freq.";
inline constexpr std::string_view InvalidTimingError = "Invalid Timing Error.";
inline constexpr std::string_view InvalidFrequencyOffset = "Invalid Freq Offset.";
inline constexpr std::string_view InvalidFileCount = "Invalid File Count.";
// An empty folder name would put the files at the root of the file system.
inline constexpr std::string_view InvalidSavePath = "Invalid Save Path.";
// A list without a usable selection (the panel's lists always have one; other callers may not).
inline constexpr std::string_view InvalidModulationType = "Invalid Modulation Type.";
inline constexpr std::string_view InvalidDataSource = "Invalid Input Data Source.";
inline constexpr std::string_view InvalidOutputFormat = "Invalid Output Format.";
// The transmitter settings.
inline constexpr std::string_view InvalidPulseShape = "Invalid Pulse Shape.";
inline constexpr std::string_view InvalidRolloff = "Invalid Roll-off.";
inline constexpr std::string_view InvalidPulseSpan = "Invalid Pulse Span.";
inline constexpr std::string_view InvalidBitSource = "Invalid Bit Source.";
inline constexpr std::string_view InvalidBitsFile = "Invalid Bits File.";
inline constexpr std::string_view InvalidSnrDefinition = "Invalid SNR Definition.";
inline constexpr std::string_view InvalidSnrReference = "Invalid SNR Reference.";

}  // namespace quorvel::message
