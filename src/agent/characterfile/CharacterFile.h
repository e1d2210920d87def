#pragma once

#include "agent/characterfile/CharacterData.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace tk::agent {

// Limits that keep a damaged or hostile character file from costing more than
// a character ever needs.
namespace limits {
inline constexpr qint64 kFileBytes = 8 * 1024 * 1024;
inline constexpr int kImages = 512;
inline constexpr int kSvgBytes = 256 * 1024;
inline constexpr int kImageSide = 1024;
inline constexpr int kCanvasSide = 1024;
inline constexpr int kFrames = 2048;
inline constexpr int kLayersPerFrame = 32;
inline constexpr int kAnimations = 256;
inline constexpr int kStepsPerAnimation = 512;
inline constexpr int kExitSteps = 64;
inline constexpr int kStepMinMs = 10;
inline constexpr int kStepMaxMs = 10000;
inline constexpr int kAnimationMaxMs = 120000;
inline constexpr int kAnimationsPerState = 16;
inline constexpr int kNameLength = 64;
inline constexpr double kCoordinate = 4096.0;
} // namespace limits

// The outcome of reading a character file: the character, or why not.
struct CharacterFileResult {
    std::shared_ptr<const CharacterData> character;
    QString error; // "<file>: <where>: <what is wrong>"
    bool ok() const { return character != nullptr; }
};

// The text identifying the format in a character file's "format" key.
inline constexpr const char* kCharacterFormatName = "tovrin-character";
// The newest format version this runtime reads.
inline constexpr int kCharacterFormatVersion = 1;

// Parses and validates a character file's bytes; fileName only appears in
// error messages. Never throws; bounded in time and memory for any input.
CharacterFileResult parseCharacterFile(const QByteArray& bytes, const QString& fileName);

// Reads the file at path (refusing files over the size limit) and parses it.
CharacterFileResult readCharacterFile(const QString& path);

} // namespace tk::agent
