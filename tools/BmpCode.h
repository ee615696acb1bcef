#pragma once

// The bitmap page's conversion: a BMP picture to the text of a C header.
//
// The text is five comment lines (image size, width, height, colour depth,
// compression) and one array of the pixels, top row first, each row left to
// right: monochrome pictures as bits (1 = dark), 16-bit pictures as 5-5-5
// words moved to the 5-6-5 places, 24-bit pictures as their stored bytes.
// It is written as "name.h" beside "name.bmp" in code page 936.
//
//   BmpOutcome outcome = ConvertBmpFile("/pictures/logo.bmp", progress);
//   statusBox->setPlainText(outcome.status);          // when not empty
//   if (!outcome.message.empty()) show(outcome.message);

#include <filesystem>
#include <string>

namespace viz {

class ConversionProgress;

struct BmpOutcome {
    // For the status box: the text's first 512 characters and the note where
    // the file went. Empty when nothing was converted.
    std::u16string status;
    // For a message box: what went wrong. Empty after a success.
    std::u16string message;
};

BmpOutcome ConvertBmpFile(const std::filesystem::path& picture, ConversionProgress& progress);

}  // namespace viz
