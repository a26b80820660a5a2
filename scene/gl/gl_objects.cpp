#include "scene/gl/gl_objects.h"

#include <cstddef>

namespace scene::gl {

GlTexture::GlTexture(std::shared_ptr<GlRenderer> owner) : renderer(std::move(owner)) {}

std::unique_ptr<GlTexture> GlTexture::Create(std::shared_ptr<GlRenderer> renderer, const gfx::Image& image) {
    if (!IsUsableImage(image) || !renderer->MakeCurrent()) {
        return nullptr;
    }
    std::vector<gfx::Image> levels = gfx::BuildMipChain(image);
    if (levels.empty()) {
        return nullptr;
    }
    std::unique_ptr<GlTexture> texture(new GlTexture(renderer));
    texture->width = levels.front().width;
    texture->height = levels.front().height;
    texture->opaque = true;
    for (std::size_t i = 3; i < image.pixels.size() && texture->opaque; i += 4) {
        texture->opaque = image.pixels[i] == 255;
    }
    glGenTextures(1, &texture->name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Storage for the whole chain at once: levels given one by one are each stored on their own
    // and copied into one texture at its first use, which briefly holds the texture twice.
    const bool wholeChain = epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_texture_storage");
    if (wholeChain) {
        glTexStorage2D(GL_TEXTURE_2D, static_cast<GLsizei>(levels.size()), GL_RGBA8,
                       static_cast<GLsizei>(texture->width), static_cast<GLsizei>(texture->height));
    }
    for (std::size_t level = 0; level < levels.size(); ++level) {
        const gfx::Image& pixels = levels[level];
        const auto w = static_cast<GLsizei>(pixels.width), h = static_cast<GLsizei>(pixels.height);
        if (wholeChain) {
            glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels.pixels.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         pixels.pixels.data());
        }
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
    renderer->BindingsChanged();
    renderer->textures.push_back(texture.get());
    return texture;
}

GlTexture::~GlTexture() {
    renderer->Forget(this);
    if (renderer->MakeCurrent()) {
        glDeleteTextures(1, &name);
    }
}

GlVertexBuffer::GlVertexBuffer(std::shared_ptr<GlRenderer> owner, std::size_t length)
    : renderer(std::move(owner)), memory(length) {
    renderer->MakeCurrent();
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), memory.data(), GL_STATIC_DRAW);
    renderer->buffers.push_back(this);
}

GlVertexBuffer::~GlVertexBuffer() {
    renderer->Forget(this);
    if (renderer->MakeCurrent()) {
        glDeleteBuffers(1, &name);
    }
}

std::span<std::byte> GlVertexBuffer::Lock() {
    renderer->Flush();  // queued draws read the contents as they are now
    return memory;
}

void GlVertexBuffer::Unlock() {
    if (renderer->MakeCurrent()) {
        glBindBuffer(GL_ARRAY_BUFFER, name);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(memory.size()), memory.data());
    }
}

GlMesh::GlMesh(std::shared_ptr<GlRenderer> owner, const gfx::MeshData& data)
    : renderer(std::move(owner)), vertexCount(static_cast<std::uint32_t>(data.vertices.size())),
      subsets(data.subsets) {
    renderer->MakeCurrent();
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertices);
    glBindBuffer(GL_ARRAY_BUFFER, vertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.vertices.size() * sizeof(gfx::MeshVertex)),
                 data.vertices.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &indices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.indices.size() * sizeof(std::uint32_t)),
                 data.indices.data(), GL_STATIC_DRAW);
    auto attribute = [](GLuint location, GLint size, std::size_t offset) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, sizeof(gfx::MeshVertex),
                              reinterpret_cast<const void*>(offset));
    };
    attribute(kPosition, 3, offsetof(gfx::MeshVertex, position));
    attribute(kNormal, 3, offsetof(gfx::MeshVertex, normal));
    attribute(kTexCoord, 2, offsetof(gfx::MeshVertex, texCoord));
    renderer->BindingsChanged();
}

GlMesh::~GlMesh() {
    renderer->Flush();
    if (renderer->MakeCurrent()) {
        glDeleteBuffers(1, &indices);
        glDeleteBuffers(1, &vertices);
        glDeleteVertexArrays(1, &vertexArray);
        renderer->BindingsChanged();
    }
}

HResult GlMesh::DrawSubset(std::uint32_t subset) {
    if (subset >= subsets.size()) {
        return kFail;
    }
    renderer->DrawIndexed(vertexArray, subsets[subset].firstIndex, subsets[subset].indexCount);
    return kOk;
}

}  // namespace scene::gl
