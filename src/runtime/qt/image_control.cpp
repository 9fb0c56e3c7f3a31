// The Qt side of the image control, and the pictures stored with the program.
#include "runtime/image_control.h"

#include <QPainter>
#include <QWidget>

#include "runtime/errors.h"
#include "runtime/form.h"
#include "runtime/qt/peers.h"
#include "runtime/qt/picture_data.h"

namespace rt {

namespace {

class ImageWidget : public QWidget {
public:
    ImageWidget(const Image& image, QWidget* parent) : QWidget(parent), image_(image) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const QImage* picture = ShownImageOf(image_.Picture());
        if (!picture) return;
        QPainter painter(this);
        if (image_.Stretch()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), *picture);
        } else {
            const qreal dpr = devicePixelRatioF();
            painter.drawImage(QRectF(0, 0, picture->width() / dpr, picture->height() / dpr), *picture);
        }
    }

private:
    const Image& image_;
};

}  // namespace

Image::Image(Form& form, const char* name, TwipRect design)
    : Control(form, name, design, MakeControlPeer(new ImageWidget(*this, ClientOf(form)), name)) {}

Picture StoredPicture(const std::u16string& name) {
    QImage image(QStringLiteral(":/orvenna/") + QString::fromStdU16String(name));
    if (image.isNull()) Raise(ErrInvalidPicture, name + u" (not stored with the program)");
    return PictureFromImage(std::move(image));
}

}  // namespace rt
