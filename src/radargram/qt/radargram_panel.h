#pragma once
// The radargram panel above the working pages: the survey's radar picture in its own scroll
// box, loaded from a file, and the clicks that line the section up with it.
#include <QImage>
#include <QScrollArea>
#include <QString>
#include <QWidget>

class QToolButton;

namespace trassel {

class SurveyDocument;

// imgRadarogramma: shows the picture at the control's size (the picture's own size once set),
// painting only the part on screen, and reports a left click.
class RadargramImage : public QWidget {
    Q_OBJECT
public:
    explicit RadargramImage(QWidget* parent = nullptr);

    // Replaces the picture and takes its size.
    void setPicture(QImage image);
    const QImage& picture() const { return picture_; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

// scrbxRadarogramma: the scroll box around imgRadarogramma, which stands at (3, 3) in it;
// reports a left click on the box's free area.
class RadargramBox : public QScrollArea {
    Q_OBJECT
public:
    explicit RadargramBox(QWidget* parent = nullptr);

    RadargramImage* image() const { return image_; }
    // Gives the image the picture, and the scroll ranges the image's size.
    void setPicture(QImage image);

    static constexpr int kImageOffset = 3;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitImage();

    QWidget* content_ = nullptr;
    RadargramImage* image_ = nullptr;
};

// pnlRadarogramma: caption, SpeedButton1 and the scroll box; owns the picture.
class RadargramPanel : public QWidget {
    Q_OBJECT
public:
    explicit RadargramPanel(QWidget* parent = nullptr);

    QToolButton* SpeedButton1 = nullptr;
    RadargramBox* scrbxRadarogramma = nullptr;
    RadargramImage* imgRadarogramma = nullptr;

    // Replaces the picture whole; the image and the scroll ranges take its size.
    void setPicture(QImage image);
    const QImage& picture() const { return imgRadarogramma->picture(); }
    // Reads the file and shows it; throws trassel::Error, with the picture unchanged, when the
    // file is refused. A load that takes more than half a second shows its progress.
    void loadFile(const QString& path);
    // The file the picture was last loaded from; empty before any.
    const QString& path() const { return path_; }
    // No picture: what a project without a radargram, or whose picture is missing, shows.
    void clearPicture();
    // The document holds the radargram's file: a picture loaded here becomes the document's.
    void setDocument(SurveyDocument* doc) { doc_ = doc; }
    // imgRadarogramma's left edge in the visible part of the box: 3, less the scrolled distance.
    int imageLeft() const;

Q_SIGNALS:
    // A click on the picture or on the free area of the box, with imageLeft().
    void alignRequested(int left);
    // A local file was dropped on the panel; sent after the drop has finished, so that a long
    // load does not keep the dragging program waiting.
    void fileDropped(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString path_;
    SurveyDocument* doc_ = nullptr;
};

} // namespace trassel
