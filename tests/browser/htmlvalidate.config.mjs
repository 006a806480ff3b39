// How html-validate reads the rendered pages. The markup is fixed byte for
// byte; each rule relaxed here says what in that markup it would flag.
export default {
    root: true,
    extends: ['html-validate:recommended'],
    rules: {
        // The pages state grid column counts, bar widths and tally colours
        // in style attributes; the stylesheet cannot know them.
        'no-inline-style': 'off',
        // The head writes <meta charset="utf-8"/>, self-closed.
        'void-style': ['error', { style: 'selfclose' }],
        // An outcome square is a link whose purpose is its title attribute:
        // the coloured square itself is the whole of its content.
        'wcag/h30': 'off',
        // Column headers stand in <thead>, which already says what they head;
        // the cells carry no scope attribute.
        'wcag/h63': 'off',
        // A diff shows an empty unchanged line as its two-space indent inside
        // <pre>, where the spaces are content.
        'no-trailing-whitespace': 'off',
    },
};
