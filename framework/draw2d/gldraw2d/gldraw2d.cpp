#include "framework/draw2d/gldraw2d/gldraw2d.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "framework/draw2d/gldraw2d/glprogram.h"
#include "framework/draw2d/gldraw2d/readback.h"
#include "framework/graphics/glgraphics.h"
#include "framework/runtime/runtime.h"

namespace fw {
namespace {

struct Vertex {
    float x, y;
    float u, v;
    uint8_t red, green, blue, alpha;
};
static_assert(sizeof(Vertex) == 20);

// Quads in one batch at most; their indices fit 16 bits.
constexpr int kMaxQuads = 16384;

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 colour;
uniform vec2 targetSize;
out vec2 fragTexCoord;
out vec4 fragColour;
void main() {
    // Pixels with y downwards to clip space.
    gl_Position = vec4(position.x * 2.0 / targetSize.x - 1.0,
                       1.0 - position.y * 2.0 / targetSize.y, 0.0, 1.0);
    fragTexCoord = texCoord;
    fragColour = colour;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec2 fragTexCoord;
in vec4 fragColour;
uniform sampler2D picture;
// Fragments with less alpha are not drawn.
uniform float alphaCut;
out vec4 outColour;
void main() {
    vec4 colour = texture(picture, fragTexCoord) * fragColour;
    if (colour.a < alphaCut) discard;
    outColour = colour;
}
)";

class TGLDraw2DDriver;

// An image's texture: its picture in the top rows, then a copy of the last
// row (so bilinear sampling at the bottom edge finds the edge itself, as the
// clamped edges do), then two white rows for rectangles.
class TGLFrame : public TImageFrame {
public:
    TGLFrame(Ref<TGLDraw2DDriver> driver, uint64_t display, GLuint texture, int width,
             int height, float right, float bottom, float whiteV)
        : driver(std::move(driver)), display(display), texture(texture), width(width),
          height(height), right(right), bottom(bottom), whiteV(whiteV) {}
    ~TGLFrame() override;

    const Ref<TGLDraw2DDriver> driver;
    // The display whose context holds the texture.
    const uint64_t display;
    const GLuint texture;
    // The picture's size in pixels.
    const int width, height;
    // The picture's texture coordinates run from (0, 0) to (right, bottom).
    const float right, bottom;
    // Between the two white rows: white whichever way it is sampled.
    const float whiteV;
};

class TGLDraw2DDriver : public TDraw2DDriver {
public:
    Ref<TGraphics> CreateGraphics(int width, int height, int depth, int hertz,
                                  int flags) override {
        Ref<TGLGraphics> display = TGLGraphics::Open(width, height, depth, hertz, flags);
        if (!display) return nullptr;
        try {
            if (!CreateResources(width, height)) {
                ReleaseResources();
                display->Close();
                return nullptr;
            }
        } catch (...) {
            ReleaseResources();
            display->Close();
            throw;
        }
        display_ = display;
        return display;
    }

    void CloseGraphics(TGraphics& graphics) override {
        if (&graphics != display_.get()) return;
        ReleaseResources();
        display_->Close();
        display_ = nullptr;
    }

    bool CanWaitForRefresh() override { return display_ && display_->CanWaitForRefresh(); }

    void Cls() override {
        if (!display_) return;
        Flush();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void Flip(bool waitForRefresh) override {
        if (!display_) return;
        Flush();
        Present();
        display_->Swap(waitForRefresh);
    }

    void MovePointer(int x, int y) override {
        if (display_) display_->MovePointer(x, y);
    }

    Ref<TImageFrame> CreateFrame(const TPixmap& pixmap, int flags) override {
        const int width = std::max(pixmap.width, 1);
        const int rows = pixmap.height + 3;
        std::vector<uint8_t> texels(size_t(width) * size_t(rows) * 4, 255);
        const int bytes = BytesPerPixel(pixmap.format);
        for (int y = 0; y < pixmap.height; ++y) {
            const uint8_t* from = pixmap.PixelPtr(0, y);
            uint8_t* to = &texels[size_t(y) * size_t(width) * 4];
            for (int x = 0; x < pixmap.width; ++x, from += bytes, to += 4) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
                to[3] = bytes == 4 ? from[3] : 255;
            }
        }
        if (pixmap.height > 0) {
            const size_t row = size_t(width) * 4;
            std::memcpy(&texels[row * size_t(pixmap.height)],
                        &texels[row * size_t(pixmap.height - 1)], row);
        }
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, rows, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texels.data());
        const GLint filter = (flags & 2) ? GL_LINEAR : GL_NEAREST;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        return New<TGLFrame>(Ref<TGLDraw2DDriver>(this), display_->number, texture, pixmap.width,
                             pixmap.height, float(pixmap.width) / float(width),
                             float(pixmap.height) / float(rows),
                             float(pixmap.height + 2) / float(rows));
    }

    void DrawFrame(TImageFrame& drawn, const TQuad& quad) override {
        if (!display_) return;
        const TGLFrame& frame = static_cast<const TGLFrame&>(drawn);
        const bool nearest = OnePixelPerTexel(quad, frame);
        if (!batch_.empty() &&
            (quad.blend != batchBlend_ ||
             (batchTexture_ != 0 &&
              (batchTexture_ != frame.texture || batchNearest_ != nearest)) ||
             batch_.size() == size_t(kMaxQuads) * 4)) {
            Flush();
        }
        if (batch_.empty()) batchBlend_ = quad.blend;
        if (batchTexture_ == 0) {
            // The rectangles so far take their white from this texture.
            batchTexture_ = frame.texture;
            batchNearest_ = nearest;
            batchWhiteV_ = frame.whiteV;
            for (Vertex& v : batch_) v.v = batchWhiteV_;
        }
        const float u[4] = {0, frame.right, frame.right, 0};
        const float v[4] = {0, 0, frame.bottom, frame.bottom};
        Add(quad, u, v);
    }

    void DrawRect(const TQuad& quad) override {
        if (!display_) return;
        if (!batch_.empty() &&
            (quad.blend != batchBlend_ || batch_.size() == size_t(kMaxQuads) * 4)) {
            Flush();
        }
        if (batch_.empty()) batchBlend_ = quad.blend;
        // Any row of white texels is white across its whole width; until an
        // image settles the batch's texture, the 1 × 1 white one is as good.
        const float u[4] = {0.5f, 0.5f, 0.5f, 0.5f};
        const float white = batchTexture_ != 0 ? batchWhiteV_ : 0.5f;
        const float v[4] = {white, white, white, white};
        Add(quad, u, v);
    }

    // Deletes a frame's texture, if its context is still the open one: the
    // textures of a closed display went with its context.
    void ReleaseTexture(uint64_t display, GLuint texture) {
        if (!display_ || display != display_->number) return;
        if (batchTexture_ == texture) Flush();
        glDeleteTextures(1, &texture);
    }

    std::vector<uint8_t> Read(int x, int y, int width, int height) {
        if (!display_ || x < 0 || y < 0 || width <= 0 || height <= 0 ||
            x > targetWidth_ - width || y > targetHeight_ - height) {
            return {};
        }
        Flush();
        std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, targetHeight_ - y - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        // GL's rows run from the bottom up.
        const size_t row = size_t(width) * 4;
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(pixels.begin() + ptrdiff_t(row * size_t(top)),
                             pixels.begin() + ptrdiff_t(row * size_t(top + 1)),
                             pixels.begin() + ptrdiff_t(row * size_t(bottom)));
        }
        return pixels;
    }

    int64_t drawCalls = 0;

private:
    // A picture drawn unturned, unscaled and unmirrored with its corners on
    // whole pixels puts each pixel's centre on a texel's centre, where
    // bilinear sampling takes that texel alone: nearest sampling gives the
    // same pixels for less work (the background, every frame).
    static bool OnePixelPerTexel(const TQuad& quad, const TGLFrame& frame) {
        return quad.y[0] == quad.y[1] && quad.y[2] == quad.y[3] && quad.x[0] == quad.x[3] &&
               quad.x[1] == quad.x[2] && quad.x[1] - quad.x[0] == float(frame.width) &&
               quad.y[3] - quad.y[0] == float(frame.height) &&
               quad.x[0] == std::floor(quad.x[0]) && quad.y[0] == std::floor(quad.y[0]);
    }

    // False when the render target cannot be had at this size.
    bool CreateResources(int width, int height) {
        targetWidth_ = width;
        targetHeight_ = height;
        program_ = BuildGLProgram(kVertexShader, kFragmentShader, "drawing shaders");
        glUseProgram(program_);
        glUniform2f(glGetUniformLocation(program_, "targetSize"), float(width), float(height));
        glUniform1i(glGetUniformLocation(program_, "picture"), 0);
        alphaCut_ = glGetUniformLocation(program_, "alphaCut");

        glGenVertexArrays(1, &vertexArray_);
        glBindVertexArray(vertexArray_);
        glGenBuffers(1, &vertexBuffer_);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                              reinterpret_cast<void*>(offsetof(Vertex, x)));
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                              reinterpret_cast<void*>(offsetof(Vertex, u)));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                              reinterpret_cast<void*>(offsetof(Vertex, red)));

        std::vector<uint16_t> indices(size_t(kMaxQuads) * 6);
        for (int q = 0; q < kMaxQuads; ++q) {
            const uint16_t first = uint16_t(q * 4);
            const uint16_t quad[6] = {first, uint16_t(first + 1), uint16_t(first + 2),
                                      first, uint16_t(first + 2), uint16_t(first + 3)};
            std::copy(quad, quad + 6, indices.begin() + q * 6);
        }
        glGenBuffers(1, &indexBuffer_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(uint16_t)),
                     indices.data(), GL_STATIC_DRAW);

        const uint8_t white[4] = {255, 255, 255, 255};
        glGenTextures(1, &whiteTexture_);
        glBindTexture(GL_TEXTURE_2D, whiteTexture_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glGenSamplers(1, &nearestSampler_);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

        glGenRenderbuffers(1, &target_);
        glBindRenderbuffer(GL_RENDERBUFFER, target_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
        glViewport(0, 0, width, height);
        appliedBlend_ = 0;
        batch_.clear();
        batchTexture_ = 0;
        return true;
    }

    void ReleaseResources() {
        batch_.clear();
        batchTexture_ = 0;
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteRenderbuffers(1, &target_);
        glDeleteTextures(1, &whiteTexture_);
        glDeleteSamplers(1, &nearestSampler_);
        glDeleteBuffers(1, &indexBuffer_);
        glDeleteBuffers(1, &vertexBuffer_);
        glDeleteVertexArrays(1, &vertexArray_);
        glDeleteProgram(program_);
        framebuffer_ = target_ = whiteTexture_ = nearestSampler_ = indexBuffer_ = vertexBuffer_ = vertexArray_ = 0;
        program_ = 0;
    }

    void Add(const TQuad& quad, const float u[4], const float v[4]) {
        for (int i = 0; i < 4; ++i) {
            batch_.push_back({quad.x[i], quad.y[i], u[i], v[i], quad.red, quad.green, quad.blue,
                              quad.alpha});
        }
    }

    void ApplyBlend(int blend) {
        if (blend == appliedBlend_) return;
        appliedBlend_ = blend;
        float cut = 0;
        switch (blend) {
        case 1:
            glDisable(GL_BLEND);
            cut = 0.5f;
            break;
        case 2:
            glDisable(GL_BLEND);
            break;
        case 3:
            glEnable(GL_BLEND);
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE,
                                GL_ONE_MINUS_SRC_ALPHA);
            break;
        case 4:
            glEnable(GL_BLEND);
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
            break;
        default:
            glEnable(GL_BLEND);
            glBlendFuncSeparate(GL_DST_COLOR, GL_ZERO, GL_ZERO, GL_ONE);
            break;
        }
        glUniform1f(alphaCut_, cut);
    }

    void Flush() {
        if (batch_.empty()) return;
        glUseProgram(program_);
        glBindVertexArray(vertexArray_);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        ApplyBlend(batchBlend_);
        glBindTexture(GL_TEXTURE_2D, batchTexture_ != 0 ? batchTexture_ : whiteTexture_);
        // Sampler 0: the texture's own filter.
        glBindSampler(0, batchTexture_ != 0 && batchNearest_ ? nearestSampler_ : 0);
        // A fresh store each time, so the driver need not wait for the
        // draws still reading the last one.
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(batch_.size() * sizeof(Vertex)), batch_.data(),
                     GL_STREAM_DRAW);
        glDrawElements(GL_TRIANGLES, GLsizei(batch_.size() / 4 * 6), GL_UNSIGNED_SHORT, nullptr);
        ++drawCalls;
        batch_.clear();
        batchTexture_ = 0;
    }

    // Shows the render target on the window, scaled with its shape kept.
    void Present() {
        int drawableWidth = 0, drawableHeight = 0;
        display_->DrawableSize(&drawableWidth, &drawableHeight);
        const TFit fit = FitWithAspect(targetWidth_, targetHeight_, drawableWidth, drawableHeight);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glViewport(0, 0, drawableWidth, drawableHeight);
        // GL counts rows from the bottom.
        const int bottom = drawableHeight - fit.y - fit.height;
        // Only the bars around the picture are cleared: the copy covers the
        // rest, and where the shapes match, the whole window.
        const int bars[4][4] = {
            {0, 0, drawableWidth, bottom},
            {0, bottom + fit.height, drawableWidth, drawableHeight - bottom - fit.height},
            {0, bottom, fit.x, fit.height},
            {fit.x + fit.width, bottom, drawableWidth - fit.x - fit.width, fit.height}};
        glClearColor(0, 0, 0, 1);
        for (const auto& bar : bars) {
            if (bar[2] <= 0 || bar[3] <= 0) continue;
            glEnable(GL_SCISSOR_TEST);
            glScissor(bar[0], bar[1], bar[2], bar[3]);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glDisable(GL_SCISSOR_TEST);
        const bool oneToOne = fit.width == targetWidth_ && fit.height == targetHeight_;
        glBlitFramebuffer(0, 0, targetWidth_, targetHeight_, fit.x, bottom, fit.x + fit.width,
                          bottom + fit.height, GL_COLOR_BUFFER_BIT,
                          oneToOne ? GL_NEAREST : GL_LINEAR);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glViewport(0, 0, targetWidth_, targetHeight_);
    }

    // A frame's texture belongs to the display numbered as it was made.
    Ref<TGLGraphics> display_;
    int targetWidth_ = 0, targetHeight_ = 0;

    GLuint program_ = 0;
    GLint alphaCut_ = -1;
    GLuint vertexArray_ = 0, vertexBuffer_ = 0, indexBuffer_ = 0;
    GLuint whiteTexture_ = 0;
    // Overrides a texture's filter where bilinear sampling cannot differ.
    GLuint nearestSampler_ = 0;
    GLuint framebuffer_ = 0, target_ = 0;
    // The blend mode the GL state is set up for, 0 for none yet.
    int appliedBlend_ = 0;

    std::vector<Vertex> batch_;
    int batchBlend_ = 0;
    // The image texture of the batch, 0 while only rectangles are in it.
    GLuint batchTexture_ = 0;
    float batchWhiteV_ = 0;
    // Whether the batch's picture is drawn one pixel per texel.
    bool batchNearest_ = false;
};

TGLFrame::~TGLFrame() { driver->ReleaseTexture(display, texture); }

TGLDraw2DDriver& TheDriver() {
    static const Ref<TGLDraw2DDriver> driver = New<TGLDraw2DDriver>();
    return *driver;
}

}  // namespace

Ref<TDraw2DDriver> GLDraw2DDriver() { return Ref<TDraw2DDriver>(&TheDriver()); }

std::vector<uint8_t> ReadRenderTarget(int x, int y, int width, int height) {
    return TheDriver().Read(x, y, width, height);
}

int64_t DrawCallCount() { return TheDriver().drawCalls; }

}  // namespace fw
