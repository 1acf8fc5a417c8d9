// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

// The exit codes of the iPhone extractor program, which the window's run reads back.
namespace ExtractorExitCode {
enum : int {
    Success = 0,
    Usage = 1,
    Encrypted = 2,
    NoManifest = 3,
    Unreadable = 4,
    OutputFailed = 5,
    WrongPassword = 6,
    ManifestDamaged = 7,
};
} // namespace ExtractorExitCode
