#pragma once
#include <QImage>

// The one blur of the program: Gaussian, approximated by three box passes.
//
// Every blur radius in the program (blur modifiers, shadow radii) means the same thing: the
// distance in points over which the blur visibly spreads. The Gaussian behind it has
// sigma = radius / 2, so about 95 % of the spread lies within the radius.
namespace qv::Fx {

double sigmaForRadius(double radius);

// What lies beyond the image's edge while blurring.
enum class BlurEdges {
  transparent,  // nothing: content fades out at the edges (a layer blurred in place of a view)
  extend,       // the edge pixels repeat: the image keeps its opacity up to its edges
};

// Blurs `image` (any format; the result is premultiplied ARGB32 of the same size and device
// pixel ratio). `radius` is in points; it is scaled by the image's device pixel ratio. Large
// radii are blurred at a reduced scale (halved until sigma is at most 6 device pixels) and
// scaled back up, which costs a fraction and looks the same.
//
// `coarse`: for a layer blurred anew on every frame while it moves and fades (a card blown
// away): halved already from a sigma of 1.5 device pixels, about a quarter of the work, and not
// to be told apart while it moves.
enum class BlurDetail { fine, coarse };
QImage blurred(const QImage& image, double radius, BlurEdges edges = BlurEdges::transparent,
               BlurDetail detail = BlurDetail::fine);

// How far (in points) a blur of `radius` reaches beyond the content: the margin to add around
// a layer so that nothing is cut off.
double blurMargin(double radius);

}  // namespace qv::Fx
