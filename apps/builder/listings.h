// What the builder shows: the palette with its icons, the loaded package's
// records and the inspector rows of a component.
#pragma once

#include <cstdio>
#include <string>

namespace vel {

class TComponent;
struct TPackageHandle;

// Width, height and bit depth of a BMP resource; false if it is none.
bool BmpShape(const unsigned char* data, size_t size, int& width, int& height, int& bits);

void PrintPalette(std::FILE* out);
void PrintPackage(std::FILE* out, const TPackageHandle& package);
// One row per published property: name, value, and "[...]" for a button
// (dialog) and "(read-only)" for text that cannot be typed over.
void PrintInspector(std::FILE* out, TComponent* component);

}  // namespace vel
