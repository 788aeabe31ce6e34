// 2D drawing: one current drawing state, images and filled rectangles, drawn
// into the back buffer of the display that Graphics opened.
//
// The state (colour, alpha, blend mode, handle, rotation, scale) belongs to
// the open display; Graphics gives it its starting values: blend 1, colour
// 255, 255, 255, alpha 1, handle (0, 0), rotation 0, scale (1, 1), clear
// colour black, and for the whole process mask colour 0, 0, 0 and automatic
// image flags 3. A setting stays until the next call that changes it. Without
// an open display the draws draw nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/pixmap/pixmap.h"
#include "framework/runtime/object.h"

namespace fw {

class TImageFrame;

// Image flags.
constexpr int MASKEDIMAGE = 1;    // the mask colour made transparent at load
constexpr int FILTEREDIMAGE = 2;  // sampled bilinearly, else the nearest pixel

// A picture to draw, with one frame.
class TImage : public Object {
public:
    TImage();
    ~TImage() override;

    int width = 0;
    int height = 0;
    int flags = 0;
    // The mask colour in force when the image was loaded.
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
    // The point, from the picture's top left corner, that DrawImage puts on
    // its draw position.
    float handleX = 0, handleY = 0;
    Ref<TPixmap> pixmap;
    // The drawing driver's copy of the picture, made by the first draw on a
    // display, and that display's number (TGraphics::number); draw2d's own.
    Ref<TImageFrame> frame;
    uint64_t frameDisplay = 0;
};

// Fills the whole back buffer with the clear colour, black.
void Cls();
// Each component clamped to 0..255.
void SetColor(int red, int green, int blue);
// Clamped to 0..1 and held as alpha × 255 truncated (0.5 → 127, 0.01 → 2).
void SetAlpha(float alpha);
// 1 mask (alpha below 0.5 not drawn, the rest replaces), 2 solid, 3 alpha
// (S × a + D × (1 − a)), 4 additive (S × a + D), 5 multiply (D × S). Any
// other value leaves the mode as it is.
void SetBlend(int blend);
// The colour LoadImage makes transparent in pictures loaded afterwards. Kept
// as given: a component outside 0..255 matches no pixel.
void SetMaskColor(int red, int green, int blue);
// The handle of later rectangles.
void SetHandle(float x, float y);
// The turn of later draws in degrees, clockwise on the screen.
void SetRotation(float angle);
void SetScale(float scaleX, float scaleY);

// Loads the picture at `url` (through LoadPixmap) as an image with handle
// (0, 0), the given flags (-1: the automatic image flags) and the mask colour
// in force; with flag 1 a picture without alpha is masked. Null when the URL
// opens nothing or no loader takes the data.
Ref<TImage> LoadImage(std::string_view url, int flags = -1);
// Sets the image's handle to its centre. Nothing for null.
void MidHandleImage(const Ref<TImage>& image);
// 0 for null.
int ImageWidth(const Ref<TImage>& image);
int ImageHeight(const Ref<TImage>& image);

// Draws the picture with the image's own handle on (x, y), scaled, turned,
// tinted and blended. Nothing for null, a frame other than 0 or an image
// without a picture.
void DrawImage(const Ref<TImage>& image, float x, float y, int frame = 0);
// A filled rectangle with SetHandle's handle on (x, y), scaled, turned, in
// the colour and alpha, blended.
void DrawRect(float x, float y, float width, float height);

}  // namespace fw
