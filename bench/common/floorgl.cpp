#include "bench/common/floorgl.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "framework/draw2d/gldraw2d/glprogram.h"

namespace bench {
namespace {

constexpr int kWidth = 1024, kHeight = 768;

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 colour;
out vec2 fragTexCoord;
out vec4 fragColour;
void main() {
    gl_Position = vec4(position.x * 2.0 / 1024.0 - 1.0, 1.0 - position.y * 2.0 / 768.0, 0.0, 1.0);
    fragTexCoord = texCoord;
    fragColour = colour;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec2 fragTexCoord;
in vec4 fragColour;
uniform sampler2D picture;
out vec4 outColour;
void main() { outColour = texture(picture, fragTexCoord) * fragColour; }
)";

// One texture holds both pictures and a white patch, so a whole frame is one
// draw: the background in the top rows, the flake below it with a border of
// its own edge texels (bilinear sampling at its edges then finds the edge, as
// a clamped texture of its own would), and white for the squares.
struct Atlas {
    static constexpr int kWidth = 1024, kHeight = 820;
    static constexpr int kFlakeX = 2, kFlakeY = 770, kWhiteX = 60, kWhiteY = 770;
    std::vector<uint8_t> texels = std::vector<uint8_t>(size_t(kWidth) * kHeight * 4, 0);
    int flakeWidth = 0, flakeHeight = 0;

    void Put(int x, int y, const uint8_t* rgba) {
        std::memcpy(&texels[(size_t(y) * kWidth + size_t(x)) * 4], rgba, 4);
    }
    static void Texel(const fw::TPixmap& p, int x, int y, uint8_t rgba[4]) {
        const uint8_t* from = p.PixelPtr(std::clamp(x, 0, p.width - 1), std::clamp(y, 0, p.height - 1));
        const bool alpha = p.format == fw::PixelFormat::RGBA8888;
        rgba[0] = from[0];
        rgba[1] = from[1];
        rgba[2] = from[2];
        rgba[3] = alpha ? from[3] : 255;
    }
};

Atlas MakeAtlas(const fw::TPixmap& background, const fw::TPixmap& flake) {
    Atlas atlas;
    uint8_t rgba[4];
    for (int y = 0; y < std::min(background.height, 768); ++y) {
        for (int x = 0; x < std::min(background.width, 1024); ++x) {
            Atlas::Texel(background, x, y, rgba);
            atlas.Put(x, y, rgba);
        }
    }
    for (int y = -2; y < flake.height + 2; ++y) {
        for (int x = -2; x < flake.width + 2; ++x) {
            Atlas::Texel(flake, x, y, rgba);
            atlas.Put(Atlas::kFlakeX + x, Atlas::kFlakeY + y, rgba);
        }
    }
    const uint8_t white[4] = {255, 255, 255, 255};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) atlas.Put(Atlas::kWhiteX + x, Atlas::kWhiteY + y, white);
    atlas.flakeWidth = flake.width;
    atlas.flakeHeight = flake.height;
    return atlas;
}

}  // namespace

GLuint BuildFloorProgram() {
    const GLuint program = fw::BuildGLProgram(kVertexShader, kFragmentShader, "floor's shaders");
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    return program;
}

FloorBuffers LoadFloorQuads(const std::vector<FloorVertex>& vertices, size_t quads) {
    std::vector<uint32_t> indices;
    indices.reserve(quads * 6);
    for (uint32_t q = 0; q < quads; ++q) {
        const uint32_t a = q * 4;
        for (uint32_t i : {a, a + 1, a + 2, a, a + 2, a + 3}) indices.push_back(i);
    }
    FloorBuffers loaded;
    glGenVertexArrays(1, &loaded.vertexArray);
    glBindVertexArray(loaded.vertexArray);
    glGenBuffers(2, loaded.buffers);
    glBindBuffer(GL_ARRAY_BUFFER, loaded.buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(FloorVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, loaded.buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(uint32_t)),
                 indices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(FloorVertex), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(FloorVertex),
                          reinterpret_cast<void*>(offsetof(FloorVertex, u)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(FloorVertex),
                          reinterpret_cast<void*>(offsetof(FloorVertex, red)));
    return loaded;
}

FloorRenderer::FloorRenderer(const DrawList& list, const fw::TPixmap& background,
                             const fw::TPixmap& flake)
    : list_(list) {
    const Atlas atlas = MakeAtlas(background, flake);
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Atlas::kWidth, Atlas::kHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, atlas.texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // Every frame's quads, once.
    const float w = Atlas::kWidth, h = Atlas::kHeight;
    const float fu0 = Atlas::kFlakeX / w, fu1 = float(Atlas::kFlakeX + atlas.flakeWidth) / w;
    const float fv0 = Atlas::kFlakeY / h, fv1 = float(Atlas::kFlakeY + atlas.flakeHeight) / h;
    const float wu = (Atlas::kWhiteX + 2) / w, wv = (Atlas::kWhiteY + 2) / h;
    std::vector<FloorVertex> vertices;
    vertices.reserve(list.draws.size() * 4);
    size_t mostQuads = 0;
    for (size_t f = 0; f < list.Frames(); ++f) {
        mostQuads = std::max(mostQuads, list.Count(f));
        for (const bench::Draw* d = list.Begin(f); d != list.End(f); ++d) {
            if (d->blend != 4) throw std::runtime_error("the floor draws additive frames only");
            float x[4], y[4];
            bench::Corners(*d, x, y);
            float u[4] = {wu, wu, wu, wu}, v[4] = {wv, wv, wv, wv};
            if (d->kind == DrawKind::Flake) {
                const float fu[4] = {fu0, fu1, fu1, fu0}, fv[4] = {fv0, fv0, fv1, fv1};
                std::copy(fu, fu + 4, u);
                std::copy(fv, fv + 4, v);
            } else if (d->kind == DrawKind::Background) {
                const float bu[4] = {0, 1, 1, 0}, bv[4] = {0, 0, 768 / h, 768 / h};
                std::copy(bu, bu + 4, u);
                std::copy(bv, bv + 4, v);
            }
            for (int i = 0; i < 4; ++i)
                vertices.push_back({x[i], y[i], u[i], v[i], d->red, d->green, d->blue, d->alpha});
        }
    }
    quads_ = LoadFloorQuads(vertices, mostQuads);

    program_ = BuildFloorProgram();
}

FloorRenderer::~FloorRenderer() {
    glDeleteProgram(program_);
    glDeleteBuffers(2, quads_.buffers);
    glDeleteVertexArrays(1, &quads_.vertexArray);
    glDeleteTextures(1, &texture_);
}

void FloorRenderer::Draw(size_t frame) const {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kWidth, kHeight);
    glUseProgram(program_);
    glBindVertexArray(quads_.vertexArray);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glBindSampler(0, 0);
    glEnable(GL_BLEND);
    // Additive, the destination's alpha kept: as the framework's mode 4.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawElementsBaseVertex(GL_TRIANGLES, GLsizei(list_.Count(frame) * 6), GL_UNSIGNED_INT,
                             nullptr, GLint(list_.first[frame] * 4));
}

}  // namespace bench
