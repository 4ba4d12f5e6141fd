/* Vantorix example skin: "Slate".
 *
 * A skin is a Qt style sheet. To use this one, copy the folder "x" beside the
 * program, so that this file is <program folder>/x/o.cjs, and start Vantorix.
 * Remove it to get the plain window back. Qt's style sheet reference lists
 * what a sheet can set: https://doc.qt.io/qt-6/stylesheet-reference.html
 */

#Form1 {
    background-color: #e4e9ef;
}

QGroupBox {
    background-color: #f5f7fa;
    color: #1f3349;
    border: 1px solid #9aabbf;
    border-radius: 6px;
    margin-top: 8px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 10px;
    padding: 0 4px;
    color: #0f2a47;
    background-color: #f5f7fa;
}

QRadioButton {
    background-color: transparent;
    color: #1f3349;
}

QRadioButton::indicator {
    width: 12px;
    height: 12px;
    border: 1px solid #6b819a;
    border-radius: 7px;
    background-color: #ffffff;
}

QRadioButton::indicator:checked {
    background-color: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5,
                                      stop: 0 #2b78c2, stop: 0.5 #2b78c2, stop: 0.6 #ffffff, stop: 1 #ffffff);
}

QPushButton {
    color: #ffffff;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #4a6a8c, stop: 1 #2f4b69);
    border: 1px solid #22384f;
    border-radius: 5px;
    padding: 2px 10px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #5b7ea3, stop: 1 #3b5c80);
}

QPushButton:pressed {
    background-color: #22384f;
}

QPushButton:disabled {
    color: #c9d3de;
    background-color: #8a9bb0;
}

QTreeWidget {
    background-color: #ffffff;
    alternate-background-color: #f0f4f8;
    color: #102a43;
    border: 1px solid #9aabbf;
    selection-background-color: #2b78c2;
    selection-color: #ffffff;
}

QHeaderView {
    background-color: #d7e0ea;
}

QHeaderView::section {
    background-color: #d7e0ea;
    color: #0f2a47;
    border: none;
    border-right: 1px solid #9aabbf;
    border-bottom: 1px solid #9aabbf;
    padding: 3px 6px;
}

QProgressBar {
    background-color: #d7e0ea;
    border: 1px solid #9aabbf;
    border-radius: 5px;
}

QProgressBar::chunk {
    background-color: #2b78c2;
    border-radius: 4px;
}

QToolTip {
    color: #0f2a47;
    background-color: #fdfbe7;
    border: 1px solid #9aabbf;
}
