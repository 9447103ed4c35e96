#include "r3az8/tex/convert/whole_chain.h"

#include "r3az8/tex/convert/device_texture.h"
#include "r3az8/tex/convert/pixel_steps.h"
#include "r3az8/tex/load.h"

namespace r3az8tex {
namespace {

const PALETTEENTRY* PaletteOf(const std::optional<Palette>& palette)
{
    return palette ? palette->data() : nullptr;
}

void ApplyToLevel(DeviceTexture& texture, uint32_t level, PixelStep step, MissingZ missingZ, WorkPool& pool)
{
    for (uint32_t face = 0; face < texture.Faces(); ++face)
        texture.ModifyLevel(face, level, [&](DeviceTexture::PixelRuns runs) {
            ApplyStepInPieces(step, missingZ, runs, pool);
        });
}

// One level of the working texture into the output texture.
void Encode(LibrarySession& session, DeviceTexture& output, DeviceTexture& work, uint32_t level,
            const LoadOptions& options)
{
    const PALETTEENTRY* palette = PaletteOf(options.destinationPalette);
    for (uint32_t face = 0; face < work.Faces(); ++face) {
        if (work.Kind() == TextureKind::Volume) {
            ComRef<IDirect3DVolume8> to = output.Volume(level);
            ComRef<IDirect3DVolume8> from = work.Volume(level);
            session.Check(LoadVolumeFromVolume(to.Get(), palette, nullptr, from.Get(), nullptr, nullptr,
                                               options.filter, options.colorKey),
                          "LoadVolumeFromVolume");
            continue;
        }
        ComRef<IDirect3DSurface8> to = output.Surface(face, level);
        ComRef<IDirect3DSurface8> from = work.Surface(face, level);
        session.Check(LoadSurfaceFromSurface(to.Get(), palette, nullptr, from.Get(), nullptr, nullptr, options.filter,
                                             options.colorKey),
                      "LoadSurfaceFromSurface");
    }
}

} // namespace

TextureImage MakeChainWhole(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool)
{
    LibrarySession session;
    DeviceTexture work(session, recipe.working, source.kind, recipe.width, recipe.height, recipe.depth,
                       recipe.levels);
    // A resized level 0 is the only level; a kept chain loads every level.
    const uint32_t loaded = recipe.regenerate ? 1 : recipe.levels;
    for (uint32_t face = 0; face < work.Faces(); ++face)
        for (uint32_t level = 0; level < loaded; ++level)
            LoadLevel(session, work, face, level, source, level, recipe.resample);
    if (recipe.normalMap)
        for (uint32_t level = 0; level < loaded; ++level)
            ApplyToLevel(work, level, PixelStep::Renormalise, recipe.missingZ, pool);

    DeviceTexture output(session, recipe.output, source.kind, recipe.width, recipe.height, recipe.depth,
                         recipe.levels);
    uint32_t encoded = recipe.keepTop ? 1 : 0;
    if (recipe.regenerate && recipe.levels > 1) {
        if (recipe.linearLight) {
            // Level 0 keeps its exact stored values; only the new levels
            // pass back through the curve.
            if (!recipe.keepTop)
                Encode(session, output, work, 0, recipe.finalStep);
            encoded = 1;
            ApplyToLevel(work, 0, PixelStep::ToLinear, recipe.missingZ, pool);
        }
        session.Check(FilterTexture(work.Base(), nullptr, 0, recipe.mipFilter), "FilterTexture");
        for (uint32_t level = 1; level < recipe.levels; ++level) {
            if (recipe.linearLight)
                ApplyToLevel(work, level, PixelStep::ToSrgb, recipe.missingZ, pool);
            if (recipe.normalMap)
                ApplyToLevel(work, level, PixelStep::Renormalise, recipe.missingZ, pool);
        }
    }
    for (uint32_t level = encoded; level < recipe.levels; ++level)
        Encode(session, output, work, level, recipe.finalStep);
    return output.Download(recipe.finalStep.destinationPalette,
                           recipe.workingCopy ? CopyBound::WorkingCopy : CopyBound::Result);
}

} // namespace r3az8tex
