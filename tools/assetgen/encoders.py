"""The pictures' and the icon's files, written by Pillow (Debian's python3-pil)."""
import io

from PIL import Image


def pillow_picture(img, dither_seed=None):
    """A raster.Image as a Pillow RGB picture (8 bits a channel, dithered when seeded)."""
    return Image.frombytes("RGB", (img.w, img.h), img.to_bytes(dither_seed=dither_seed))


def jpeg(picture, quality):
    """Baseline JPEG, three components without chroma subsampling, libjpeg's standard Huffman
    tables (not optimised ones): the same pixels give the same bytes wherever the same
    library runs."""
    out = io.BytesIO()
    picture.save(out, "JPEG", quality=quality, subsampling=0, optimize=False, progressive=False)
    return out.getvalue()


def icon(picture, opaque):
    """One square image with a 256-colour palette in an icon file. The picture gets 255
    colours; entry 255 is black, and the pixels that are not `opaque` use it with their AND
    mask bit set, so that they show what lies under the icon. Pillow's icon writer marks every
    pixel opaque (its AND mask is all zero), so the mask rows are put in afterwards."""
    size = picture.size
    transparent = Image.new("1", size)
    transparent.putdata([0 if pixel else 1 for pixel in opaque])
    paletted = picture.quantize(255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = paletted.getpalette()[:255 * 3]
    paletted.putpalette(palette + [0] * (256 * 3 - len(palette)))
    paletted.paste(255, mask=transparent)
    out = io.BytesIO()
    paletted.save(out, "ICO", sizes=[size], bitmap_format="bmp")
    # The last rows of the file are the AND mask: 1 bit a pixel, bottom row first.
    mask = transparent.transpose(Image.Transpose.FLIP_TOP_BOTTOM).tobytes()
    data = bytearray(out.getvalue())
    if any(data[-len(mask):]) or len(mask) % size[1] or len(mask) // size[1] % 4:
        raise ValueError("the icon's AND mask is not where it was expected")
    data[-len(mask):] = mask
    return bytes(data)
