// The program's own geometry measurement checked against OpenCV, this field's library, on the same
// generated pairs: ORB features matched across the views, a homography fitted through them with
// RANSAC, and the rig's figures read from the vertical disparity it gives. Both must find the rig
// the pair was made with, and agree with each other; ours the more exactly.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>

#include "support/SyntheticPair.h"

namespace twinlens {
namespace {

using synthetic::kHeight;
using synthetic::kWidth;
using synthetic::Rig;

// The rig as OpenCV finds it: the homography's vertical disparity over a grid of the picture,
// fitted by the rig's model (least squares; the homography has no outliers left).
GeometryReport openCvRig(const GrayImage& left, const GrayImage& right) {
  auto toMat = [](const GrayImage& picture) {
    cv::Mat mat(picture.height, picture.width, CV_8U);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        mat.at<unsigned char>(y, x) =
            static_cast<unsigned char>(std::clamp(picture.at(x, y), 0.0f, 255.0f));
      }
    }
    return mat;
  };
  const cv::Mat a = toMat(left);
  const cv::Mat b = toMat(right);
  cv::Ptr<cv::ORB> orb = cv::ORB::create(4000);
  std::vector<cv::KeyPoint> keysA;
  std::vector<cv::KeyPoint> keysB;
  cv::Mat descA;
  cv::Mat descB;
  orb->detectAndCompute(a, cv::noArray(), keysA, descA);
  orb->detectAndCompute(b, cv::noArray(), keysB, descB);
  cv::BFMatcher matcher(cv::NORM_HAMMING);
  std::vector<std::vector<cv::DMatch>> pairs;
  matcher.knnMatch(descA, descB, pairs, 2);
  std::vector<cv::Point2f> from;
  std::vector<cv::Point2f> to;
  for (const auto& pair : pairs) {
    if (pair.size() == 2 && pair[0].distance < 0.75 * pair[1].distance) {
      from.push_back(keysA[static_cast<std::size_t>(pair[0].queryIdx)].pt);
      to.push_back(keysB[static_cast<std::size_t>(pair[0].trainIdx)].pt);
    }
  }
  const cv::Mat h = cv::findHomography(from, to, cv::RANSAC, 1.0);
  EXPECT_FALSE(h.empty()) << from.size() << " matches";
  // The homography's vertical disparity on a grid, fitted by dy = c0 + c1 x + c2 y + c3 x y + c4
  // y².
  std::array<std::array<double, 6>, 5> normal{};
  const double half = kWidth / 2.0;
  for (int y = 20; y < kHeight; y += 20) {
    for (int x = 20; x < kWidth; x += 20) {
      const double w = h.at<double>(2, 0) * x + h.at<double>(2, 1) * y + h.at<double>(2, 2);
      const double ty = (h.at<double>(1, 0) * x + h.at<double>(1, 1) * y + h.at<double>(1, 2)) / w;
      const double u = (x - half) / half;
      const double v = (y - kHeight / 2.0) / half;
      const std::array<double, 5> t{1, u, v, u * v, v * v};
      for (std::size_t i = 0; i < 5; ++i) {
        for (std::size_t j = 0; j < 5; ++j) normal[i][j] += t[i] * t[j];
        normal[i][5] += t[i] * (ty - y);
      }
    }
  }
  cv::Mat lhs(5, 5, CV_64F);
  cv::Mat rhs(5, 1, CV_64F);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j)
      lhs.at<double>(i, j) = normal[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    rhs.at<double>(i) = normal[static_cast<std::size_t>(i)][5];
  }
  cv::Mat c;
  cv::solve(lhs, rhs, c, cv::DECOMP_SVD);
  const double focal =
      half / std::tan(GeometryEstimator::kFieldOfViewDeg / 2 * std::numbers::pi / 180);
  GeometryReport report;
  report.verticalOffsetPx = c.at<double>(0);
  report.rollDeg = std::asin(c.at<double>(1) / half) * 180 / std::numbers::pi;
  report.zoomPercent = 100 * c.at<double>(2) / half;
  report.toeInDeg = std::atan(c.at<double>(3) / (half * half) * focal) * 180 / std::numbers::pi;
  report.tiltDeg = std::atan(c.at<double>(4) / (half * half) * focal) * 180 / std::numbers::pi;
  return report;
}

TEST(GeometryAgainstOpenCv, BothFindTheRigThePairWasMadeWith) {
  const Rig rigs[] = {{7.5, 0.9, -1.8, 0.6, -0.5}, {-4, -1.4, 2.5, -0.7, 0.8}, {12, 0, 0, 0, 0}};
  for (const Rig& rig : rigs) {
    const GrayImage left = synthetic::texture(3);
    const GrayImage right = synthetic::rightView(left, rig);
    GeometryEstimator estimator;
    estimator.add(left, right);
    const GeometryReport ours = estimator.report(kWidth);
    const GeometryReport theirs = openCvRig(left, right);
    // The truth, our tolerance, and OpenCV's: ORB's key points are placed less exactly than
    // pieces matched by phase correlation, and the homography's keystones follow them.
    const std::array<double, 3> figures[] = {{rig.vertical, 0.2, 0.5},
                                             {rig.rollDeg, 0.03, 0.1},
                                             {rig.zoomPercent, 0.05, 0.15},
                                             {rig.toeInDeg, 0.15, 0.3},
                                             {rig.tiltDeg, 0.15, 0.3}};
    const double found[2][5] = {
        {ours.verticalOffsetPx, ours.rollDeg, ours.zoomPercent, ours.toeInDeg, ours.tiltDeg},
        {theirs.verticalOffsetPx, theirs.rollDeg, theirs.zoomPercent, theirs.toeInDeg,
         theirs.tiltDeg}};
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_NEAR(found[0][i], figures[i][0], figures[i][1]) << "ours, figure " << i;
      EXPECT_NEAR(found[1][i], figures[i][0], figures[i][2]) << "OpenCV's, figure " << i;
      EXPECT_NEAR(found[0][i], found[1][i], figures[i][1] + figures[i][2]) << "figure " << i;
    }
  }
}

}  // namespace
}  // namespace twinlens
