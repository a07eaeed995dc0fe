#include "gfx/mesh.h"
#include "gfx/shader.h"
#include "support/gl_context.h"
#include "support/gl_recorder.h"

#include <gtest/gtest.h>

namespace {

// Samples every name the mesh draw sets, so none is optimised away.
constexpr const char* samplerVertex = "#version 330 core\n"
                                      "layout (location = 0) in vec3 position;\n"
                                      "void main() { gl_Position = vec4(position, 1.0); }\n";
constexpr const char* samplerFragment =
    "#version 330 core\n"
    "struct Material { float shininess; };\n"
    "uniform Material material;\n"
    "uniform sampler2D texture_diffuse;\n"
    "uniform sampler2D texture_specular;\n"
    "uniform sampler2D texture_normal;\n"
    "uniform samplerCube depthMap;\n"
    "out vec4 colour;\n"
    "void main() {\n"
    "  colour = texture(texture_diffuse, vec2(0.5)) + texture(texture_specular, vec2(0.5))\n"
    "         + texture(texture_normal, vec2(0.5)) + texture(depthMap, vec3(1.0))\n"
    "         + vec4(material.shininess);\n"
    "}\n";

constexpr const char* diffuseOnlyFragment = "#version 330 core\n"
                                            "uniform sampler2D texture_diffuse;\n"
                                            "uniform samplerCube depthMap;\n"
                                            "out vec4 colour;\n"
                                            "void main() { colour = texture(texture_diffuse, "
                                            "vec2(0.5)) + texture(depthMap, vec3(1.0)); }\n";

class MeshTest : public testing::Test {
  protected:
    void SetUp() override {
        requireGlContext();
        program.compile(samplerVertex, samplerFragment);
        glUseProgram(program.ID);
    }
    void TearDown() override { glUseProgram(0); }

    static GLuint newTexture(GLenum target) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(target, name);
        glBindTexture(target, 0);
        return name;
    }

    static Mesh triangle(std::vector<Texture> textures) {
        std::vector<Vertex> vertices(3);
        vertices[1].position = glm::vec3(1, 0, 0);
        vertices[2].position = glm::vec3(0, 1, 0);
        return Mesh(vertices, {0, 1, 2, 2, 1, 0}, std::move(textures));
    }

    static Texture texture(const char* type) {
        Texture t;
        t.id = newTexture(GL_TEXTURE_2D);
        t.type = type;
        return t;
    }

    static GLint integer(GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }

    Shader program;
};

TEST_F(MeshTest, VertexLayoutIsFourTightlyPackedAttributes) {
    const Mesh mesh = triangle({});
    glBindVertexArray(mesh.vao);
    const struct {
        GLuint location;
        GLint size;
        size_t offset;
    } expected[] = {{0, 3, 0}, {1, 3, 12}, {2, 2, 24}, {3, 3, 32}};
    for (const auto& attribute : expected) {
        SCOPED_TRACE(attribute.location);
        GLint value = 0;
        glGetVertexAttribiv(attribute.location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
        EXPECT_EQ(value, GL_TRUE);
        glGetVertexAttribiv(attribute.location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &value);
        EXPECT_EQ(value, attribute.size);
        glGetVertexAttribiv(attribute.location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &value);
        EXPECT_EQ(value, 44);
        glGetVertexAttribiv(attribute.location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &value);
        EXPECT_EQ(value, GL_FLOAT);
        glGetVertexAttribiv(attribute.location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &value);
        EXPECT_EQ(value, GL_FALSE);
        void* pointer = nullptr;
        glGetVertexAttribPointerv(attribute.location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
        EXPECT_EQ(reinterpret_cast<size_t>(pointer), attribute.offset);
    }
    EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.ebo));
    glBindVertexArray(0);

    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vbo);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 3 * 44);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.ebo);
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 6 * 4);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

TEST_F(MeshTest, DrawBindsTexturesThenShadowMapOnConsecutiveUnits) {
    const Mesh mesh = triangle(
        {texture("texture_diffuse"), texture("texture_specular"), texture("texture_normal")});
    const GLuint cubeMap = newTexture(GL_TEXTURE_CUBE_MAP);

    startRecording();
    mesh.draw(program.ID, cubeMap);
    const std::vector<GlCall> calls = stopRecording();

    const std::vector<UniformSet> sets = uniformSets(calls);
    ASSERT_EQ(sets.size(), 5u);
    const char* names[] = {"texture_diffuse", "texture_specular", "texture_normal", "depthMap",
                           "material.shininess"};
    const double values[] = {0, 1, 2, 3, 16.0};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sets[i].name, names[i]);
        EXPECT_EQ(sets[i].values[0], values[i]);
    }

    // Each texture is bound on its own unit, made active just before.
    std::vector<std::pair<long long, long long>> bindings; // (unit, texture)
    long long activeUnit = -1;
    for (const GlCall& call : calls) {
        if (call.name == "glActiveTexture") {
            activeUnit = call.ints[0] - GL_TEXTURE0;
        } else if (call.name == "glBindTexture" && call.ints[1] != 0) {
            bindings.emplace_back(activeUnit, call.ints[1]);
        }
    }
    const std::vector<std::pair<long long, long long>> expected = {
        {0, mesh.textures[0].id}, {1, mesh.textures[1].id}, {2, mesh.textures[2].id}, {3, cubeMap}};
    EXPECT_EQ(bindings, expected);

    const std::vector<GlCall> draws = callsNamed(calls, "glDrawElements");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].ints[0], GL_TRIANGLES);
    EXPECT_EQ(draws[0].ints[1], 6);
    EXPECT_EQ(draws[0].ints[2], GL_UNSIGNED_INT);

    // Afterwards every unit is empty and the shadow map's unit stays active.
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0 + 3);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
    for (GLenum unit = 0; unit < 3; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    }
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);
}

TEST_F(MeshTest, WithoutTexturesTheShadowMapTakesUnitZero) {
    const Mesh mesh = triangle({});
    glActiveTexture(GL_TEXTURE0 + 5);
    startRecording();
    mesh.draw(program.ID, 0);
    std::vector<GlCall> calls = stopRecording();
    EXPECT_TRUE(callsNamed(calls, "glActiveTexture").empty());
    EXPECT_TRUE(callsNamed(calls, "glBindTexture").empty());
    ASSERT_EQ(uniformSets(calls).size(), 1u);
    EXPECT_EQ(uniformSets(calls)[0].name, "material.shininess");
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0 + 5);

    const GLuint cubeMap = newTexture(GL_TEXTURE_CUBE_MAP);
    startRecording();
    mesh.draw(program.ID, cubeMap);
    calls = stopRecording();
    // With the cube map on unit 0, every material sampler moves to a spare unit of
    // its own, so none can share a unit with it.
    const std::vector<UniformSet> sets = uniformSets(calls);
    ASSERT_EQ(sets.size(), 5u);
    EXPECT_EQ(sets[0].name, "texture_diffuse");
    EXPECT_EQ(sets[1].name, "texture_specular");
    EXPECT_EQ(sets[2].name, "texture_normal");
    for (size_t role = 0; role < 3; ++role) {
        EXPECT_GT(sets[role].values[0], 0);
    }
    EXPECT_EQ(sets[3].name, "depthMap");
    EXPECT_EQ(sets[3].values[0], 0);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);

    // A program with a sampler of one role only: that one is moved, the others it lacks
    // are left alone.
    Shader diffuseOnly;
    diffuseOnly.compile(samplerVertex, diffuseOnlyFragment);
    glUseProgram(diffuseOnly.ID);
    startRecording();
    mesh.draw(diffuseOnly.ID, cubeMap);
    calls = stopRecording();
    glUseProgram(program.ID);
    std::vector<std::string> named;
    for (const UniformSet& set : uniformSets(calls)) {
        named.push_back(set.name);
    }
    EXPECT_EQ(named,
              (std::vector<std::string>{"texture_diffuse", "depthMap", "material.shininess"}));
}

} // namespace
