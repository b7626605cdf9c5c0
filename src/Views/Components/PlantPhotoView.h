#pragma once

// PlantPhotoView: every picture of a plant or a species. Layers, bottom up: a gradient in the
// species' hue; the species photograph if the resources have one, else the species' drawing, else
// (for "Other plant") a white leaf; the user's own photo (if any) once decoded, fading in. Clipped
// to a continuous rounded rectangle with antialiased edges; fills whatever frame its layout gives
// it. Decorative: hidden from accessibility, the surrounding rows, cards and headers carry the
// names; an image once given an accessible name
// (picture->setAccessibleName(tr("Photo of %1").arg(name))).
//
//   auto *picture = new PlantPhotoView(plant->photo(), Species::find(plant->speciesID()), 0.3);
//   picture->setCornerRadius(22, Shapes::topCorners);
//
// The photo is decoded off the UI thread once the view is on screen (not while scrolled out of a
// list), only as large as the frame needs (at most PhotoProcessor::displayMaxPixel), and again if
// the frame grows. A result is used only while
// the view still shows the same photo bytes; bytes that do not decode leave the species picture.

#include "Models/Species.h"
#include "Views/Components/Shapes.h"

#include <QByteArray>
#include <QImage>
#include <QLinearGradient>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;
class QVariantAnimation;

class PlantPhotoView : public QWidget
{
    Q_OBJECT

public:
    // What lies under the photo (or shows alone when there is none).
    enum class Backdrop : unsigned char { placeholder, illustration, speciesImage };

    PlantPhotoView(std::optional<QByteArray> photo, const Species &species, qreal symbolScale,
                   QWidget *parent = nullptr);
    ~PlantPhotoView() override;

    // The photo bytes (read through the reader when one is set).
    std::optional<QByteArray> photo() const;
    bool hasPhoto() const;
    // Same bytes as now: nothing happens. Otherwise the old picture stays until the new one is
    // decoded (or the photo turns out not to decode).
    void setPhoto(const std::optional<QByteArray> &photo);
    // A photo the view reads only when it decodes it, so that it holds no bytes (a plant's stored
    // photo in a long list). source and revision say which photo it is: a change of either is a
    // new photo; the same pair again changes nothing.
    using PhotoReader = std::function<std::optional<QByteArray>()>;
    void setPhotoReader(quint64 source, quint64 revision, bool hasPhoto, PhotoReader read);
    const Species &species() const { return m_species; }
    void setSpecies(const Species &species);
    qreal symbolScale() const { return m_symbolScale; }
    void setSymbolScale(qreal symbolScale);
    qreal cornerRadius() const { return m_radius; }
    void setCornerRadius(qreal radius, unsigned corners = Shapes::allCorners);

    Backdrop backdrop() const
    {
        if (!m_speciesImage.isNull())
            return Backdrop::speciesImage;
        return m_hasIllustration ? Backdrop::illustration : Backdrop::placeholder;
    }
    // Whether a decoded photo is shown (possibly still fading in).
    bool isShowingPhoto() const { return m_image.has_value(); }
    // Whether a decode of the current photo is on its way.
    bool isDecoding() const { return m_decoding; }
    // The longest side the shown photo was decoded at; 0 when none is shown.
    int decodedMaxPixel() const { return m_image ? m_decodedMaxPixel : 0; }

    QSize sizeHint() const override;

    // The layers under a photo, for pictures drawn without a view (the plant cards): the hue
    // gradient from the top leading corner, in the frame's own unit square; and over it the
    // species' drawing, or the white leaf with its soft shadow for a species without one, for a
    // frame, as an image to draw at origin (UI thread: drawings and symbols are cached).
    static QLinearGradient backdropGradient(double hue, Qt::LayoutDirection direction);
    static QImage renderSpeciesPicture(const Species &species, const QRectF &frame, qreal symbolScale,
                                       qreal devicePixelRatio, QPointF *origin);
    static QImage renderPlaceholder(const QRectF &frame, qreal symbolScale, qreal devicePixelRatio,
                                    QPointF *origin);

signals:
    // A decode finished and its result (a photo, or none) is now what the view shows.
    void photoDecoded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct DecodeResult;

    // A smoothly shrunk copy of an image for the current frame: painting alone would scale
    // bilinearly and alias a picture many times larger than the frame.
    struct ScaledImage
    {
        qint64 sourceKey = 0;
        QSize frame;
        QImage image;
    };

    void photoChanged();
    void requestDecode();
    void applyDecode(const DecodeResult &result);
    bool wantsLargerDecode() const;
    void showImage(std::optional<QImage> image, bool fade);
    void finishFade();
    QSize framePixels() const;
    const QImage &scaledForFrame(const QImage &source, ScaledImage &cache) const;
    // The gradient and the species photograph or leaf, shared by every view that shows them alike.
    void paintBackdrop(QPainter &painter, const QPainterPath &clip);
    void loadSpeciesImage();

    std::optional<QByteArray> m_photo; // unused while a reader is set
    PhotoReader m_reader;
    quint64 m_readerSource = 0;
    quint64 m_readerRevision = 0;
    bool m_readerHasPhoto = false;
    Species m_species;
    qreal m_symbolScale;
    qreal m_radius = 0;
    unsigned m_corners = Shapes::allCorners;

    // Decoding: each request carries the photo revision it decodes; only the latest request's
    // result is applied.
    quint64 m_photoRevision = 0;
    quint64 m_requestSerial = 0;
    bool m_decoding = false;
    bool m_decodeWanted = false;
    bool m_decodeQueued = false;
    std::optional<QSize> m_photoSize; // oriented pixel size, learnt from the first decode
    int m_decodedMaxPixel = 0;

    std::optional<QImage> m_image;    // the decoded photo
    quint64 m_imageRevision = 0;      // which photo m_image shows
    std::optional<QImage> m_outgoing; // the previous photo while the new one fades over it
    qreal m_fade = 1.0;               // 0..1 of the running fade
    bool m_fadingOut = false;         // fading to no photo rather than to a new one
    QVariantAnimation *m_animation = nullptr;

    QImage m_speciesImage;
    bool m_hasIllustration = false;
    mutable ScaledImage m_scaledImage, m_scaledOutgoing, m_scaledSpecies;
};
